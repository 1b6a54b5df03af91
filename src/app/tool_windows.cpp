#include "app/tool_windows.h"

#include <QPushButton>

ToolWindows::ToolWindows(const QString &workingFolder)
    : main(workingFolder), emulatorPanel(&main), programacao(&main, main.workingFolder()),
      prgLote(&main), status(&main), viewer(&main) {
    main.setEmulatorPanel(&emulatorPanel);
    prgLote.setWorkingFolder(main.workingFolder());
    auto button = [this](const char *name) {
        return main.findChild<QPushButton *>(QLatin1String(name));
    };
    main.setWindowFor(button("btProgLote"), &prgLote, true);
    main.setWindowFor(button("btProgramacao"), &programacao, true);
    main.setWindowFor(button("btStatus"), &status);
    main.setWindowFor(button("btVisualizarCOM"), &viewer);
}

void ToolWindows::start() {
    main.show();
    main.startUp();
}
