#pragma once

#include <QString>

// The working folder: the folder that holds Tool.cfg and the "c2k", "usr" and "b2k" folders.
// Every file the tool offers in a dialog or writes by itself lies there, whatever window asks;
// it is chosen once at start-up (the current folder until then).
namespace WorkingFolder {

// The installed program's name: the per-user working folder and the folder of the files that
// come with the program (share/<name>) are called so.
inline constexpr char ToolName[] = "ferramenta-ecf";

QString path();
void set(const QString &folder);

// The folder a run works in: `given` (the --folder option) when there is one; else `current`
// when it already holds a Tool.cfg (a folder prepared by hand, the demo); else the per-user
// folder ToolName under `documents`. The folder chosen is created when missing (a failure
// shows later, when Tool.cfg cannot be written). Returns an absolute path.
QString choose(const QString &given, const QString &current, const QString &documents);

// One of its subfolders: "c2k" (configurations), "usr" (user records), "b2k" (command macros).
QString subfolder(const QString &name);

// A file that comes with the program, such as the sample bank table "bancos.QBK": the working
// folder's own copy when there is one, else the copy beside the program (a build), else the
// installed copy in ../share/ferramenta-ecf/ from the program's folder. The copy beside the
// program when none exists.
QString bundledFile(const QString &fileName);

} // namespace WorkingFolder
