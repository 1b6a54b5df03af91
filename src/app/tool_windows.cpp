#include "app/tool_windows.h"

#include <QPushButton>

ToolWindows::ToolWindows(const QString &workingFolder)
    : main(workingFolder), emulatorPanel(&main), programacao(&main, main.workingFolder()),
      relatorios(&main), gravaUsr(&main), prgLote(&main), intervencao(&main),
      lmf(&main, &relatorios), cheques(&main), sensores(&main), status(&main), viewer(&main) {
    main.setEmulatorPanel(&emulatorPanel);
    prgLote.setWorkingFolder(main.workingFolder());
    relatorios.setFiscalMemoryWindow(&lmf);
    main.addGatedControl(intervencao.btProceder());
    auto button = [this](const char *name) {
        return main.findChild<QPushButton *>(QLatin1String(name));
    };
    main.setWindowFor(button("btProgLote"), &prgLote, true);
    main.setWindowFor(button("btProgramacao"), &programacao, true);
    main.setWindowFor(button("btRelatorios"), &relatorios);
    main.setWindowFor(button("btGravaUSR"), &gravaUsr);
    main.setWindowFor(button("btIntervencao"), &intervencao);
    main.setWindowFor(button("btCheques"), &cheques);
    main.setWindowFor(button("btSensores"), &sensores);
    main.setWindowFor(button("btStatus"), &status);
    main.setWindowFor(button("btVisualizarCOM"), &viewer);
}

void ToolWindows::start() {
    main.show();
    main.startUp();
}
