#include "app/tool_windows.h"

#include <QPushButton>

ToolWindows::ToolWindows(const QString &workingFolder)
    : main(workingFolder), emulatorPanel(&main), status(&main), viewer(&main) {
    main.setEmulatorPanel(&emulatorPanel);
    main.setWindowFor(main.findChild<QPushButton *>(QStringLiteral("btStatus")), &status);
    main.setWindowFor(main.findChild<QPushButton *>(QStringLiteral("btVisualizarCOM")), &viewer);
}

void ToolWindows::start() {
    main.show();
    main.startUp();
}
