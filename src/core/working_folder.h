#pragma once

#include <QString>

// The working folder: the folder that holds Tool.cfg and the "c2k", "usr" and "b2k" folders.
// Every file the tool offers in a dialog or writes by itself lies there, whatever window asks;
// it is chosen once at start-up (the current folder until then).
namespace WorkingFolder {

QString path();
void set(const QString &folder);

// One of its subfolders: "c2k" (configurations), "usr" (user records), "b2k" (command macros).
QString subfolder(const QString &name);

// A file that comes with the program, such as the sample bank table "bancos.QBK": the working
// folder's own copy when there is one, else the copy beside the program.
QString bundledFile(const QString &fileName);

} // namespace WorkingFolder
