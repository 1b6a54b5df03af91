#pragma once

#include "app/emulator_panel.h"
#include "app/main_window.h"
#include "app/status.h"
#include "app/visualizacao.h"
#include "fiscal/autenticacao.h"
#include "fiscal/cancelamento.h"
#include "fiscal/ccd.h"
#include "fiscal/cnfnv.h"
#include "fiscal/fechamento.h"
#include "fiscal/fiscal.h"
#include "fiscal/pagamento.h"
#include "fiscal/rg.h"
#include "fiscal/totalizacao.h"
#include "fiscal/vendaitem.h"
#include "maintenance/gravausr.h"
#include "maintenance/intervencao.h"
#include "peripherals/cheques.h"
#include "peripherals/sensores.h"
#include "programming/prglote.h"
#include "programming/programacao.h"
#include "reports/leituramf.h"
#include "reports/relatorios.h"

// Every window of the tool, created once in this order and destroyed in the reverse order:
// the traffic viewer first (it ends the identification and closes the port), the main window
// last (it writes Tool.cfg).
class ToolWindows {
public:
    explicit ToolWindows(const QString &workingFolder = QString());

    // Shows the main window and runs its start-up.
    void start();

    TfmMain main;
    EmulatorPanel emulatorPanel;
    TfmProgramacao programacao;
    TfmRelatorios relatorios;
    TfmGravaUSR gravaUsr;
    TfmPrgLote prgLote;
    TfmIntervencao intervencao;
    TfmLMF lmf;
    TfmCheques cheques;
    TfmSensores sensores;
    // The fiscal window and the document windows it opens.
    TfmFiscal fiscal;
    TfmCCD ccd;
    TfmVendaItem vendaItem;
    TfmCancelamento cancelamento;
    TfmTotalizacao totalizacao;
    TfmPagamento pagamento;
    TfmFechamento fechamento;
    TfmCNFNV cnfnv;
    TfmRG rg;
    TfmAutenticacao autenticacao;
    TfmStatus status;
    TfmVisualizacao viewer;

private:
    void wireFiscalWindows();
};
