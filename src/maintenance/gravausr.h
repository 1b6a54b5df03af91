#pragma once

#include "app/tool_window.h"

#include <memory>

namespace Ui {
class TfmGravaUSR;
}
class TfmMain;

// "Gravação do Usuário": records the user (CNPJ, IE, IM and, on newer firmware, the maker's
// authorization code) in the printer, and saves and imports the same data as .usr files.
class TfmGravaUSR : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmGravaUSR(TfmMain *mainWindow);
    ~TfmGravaUSR() override;

    // The folder that holds the "usr" folder in which the file dialogs start, and in which the
    // serial-numbered copy is written: the main window's working folder unless set.
    void setWorkingFolder(const QString &folder);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void clear();
    void verifyCnpj();
    void record();
    void save();
    void import();

    bool cnpjValid() const;
    QString userFolder() const;
    bool writeFile(const QString &path, const QByteArray &image);

    std::unique_ptr<Ui::TfmGravaUSR> ui;
    QString workingFolder;
    bool passwordRequired = false; // evaluated each time the window is shown
};
