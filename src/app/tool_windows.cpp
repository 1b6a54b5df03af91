#include "app/tool_windows.h"

#include <QPushButton>

ToolWindows::ToolWindows(const QString &workingFolder)
    : main(workingFolder), emulatorPanel(&main), programacao(&main), relatorios(&main),
      gravaUsr(&main), prgLote(&main), intervencao(&main), lmf(&main, &relatorios), cheques(&main),
      sensores(&main), fiscal(&main), ccd(&fiscal, &main, fiscal.programmingLists()),
      vendaItem(&fiscal, &main, fiscal.programmingLists()), cancelamento(&fiscal, &main),
      totalizacao(&fiscal, &main), pagamento(&fiscal, &main, fiscal.programmingLists()),
      fechamento(&fiscal, &main), cnfnv(&fiscal, &main, fiscal.programmingLists()),
      rg(&fiscal, &main, fiscal.programmingLists()), autenticacao(&fiscal, &main), status(&main),
      viewer(&main) {
    main.setEmulatorPanel(&emulatorPanel);
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
    main.setWindowFor(button("btFiscal"), &fiscal);
    main.setWindowFor(button("btStatus"), &status);
    main.setWindowFor(button("btVisualizarCOM"), &viewer);
    wireFiscalWindows();
}

void ToolWindows::wireFiscalWindows() {
    fiscal.setDocumentWindow("btVendeItem", &vendaItem, true);
    fiscal.setDocumentWindow("btCancelamento", &cancelamento, false);
    fiscal.setDocumentWindow("btTotalizacao", &totalizacao, false);
    fiscal.setDocumentWindow("btPagamento", &pagamento, true);
    fiscal.setDocumentWindow("btFechamento", &fechamento, false);
    fiscal.setDocumentWindow("btCNF", &cnfnv, true);
    fiscal.setDocumentWindow("btCCD", &ccd, true);
    fiscal.setDocumentWindow("btRG", &rg, true);
    fiscal.setDocumentWindow("btAutenticacao", &autenticacao, false);
    // The subtotal of a totalization is the balance the payments start from; an inflow
    // voucher is paid like a coupon.
    QObject::connect(&totalizacao, &TfmTotalizacao::subtotalReceived, &pagamento,
                     &TfmPagamento::showBalance);
    QObject::connect(&cnfnv, &TfmCNFNV::inflowVoucherIssued, &pagamento, &QWidget::show);
}

void ToolWindows::start() {
    main.show();
    main.startUp();
}
