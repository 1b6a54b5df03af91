#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmGravaUSR;
}
class ToolShell;

// "Gravação do Usuário": records the user (CNPJ, IE, IM and, on newer firmware, the maker's
// authorization code) in the printer, and saves and imports the same data as .usr files.
class TfmGravaUSR : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmGravaUSR(ToolShell *mainWindow);
    ~TfmGravaUSR() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void clear();
    void verifyCnpj();
    void record();
    void save();
    void import();

    bool cnpjValid() const;
    bool writeFile(const QString &path, const QByteArray &image);

    std::unique_ptr<Ui::TfmGravaUSR> ui;
    bool passwordRequired = false; // evaluated each time the window is shown
};
