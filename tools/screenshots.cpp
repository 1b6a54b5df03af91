// Renders the windows of the tool, driven against the built-in emulated printers, into PNG
// files for the documentation: screenshots <output folder>.
#include "app/tool_config.h"
#include "app/tool_windows.h"
#include "core/global.h"
#include "link/emulator_transport.h"
#include "printer.h"
#include "protocol/command_set.h"
#include "widgets/indicator.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace {
template <size_t N> void put(uint8_t (&field)[N], const char *text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}

// A little programming, so that the document windows offer something to choose.
bool programDemoTables(CommandSet &c) {
    bool ok = c.ProgramTaxRate({0, {'1', '8', '0', '0'}}) &&
              c.ProgramTaxRate({0, {'0', '7', '0', '0'}}) &&
              c.ProgramTaxRate({1, {'0', '5', '0', '0'}});
    PaymentMethodRecord card{1, {'0', '2'}, {}};
    put(card.name, "Cartao de Credito");
    ok = ok && c.ProgramPaymentMethod(card);
    PaymentMethodRecord check{0, {'0', '2'}, {}};
    put(check.name, "Cheque");
    ok = ok && c.ProgramPaymentMethod(check);
    TotalizerRecord supply{0, {' ', ' '}, {}};
    put(supply.name, "Suprimento");
    ok = ok && c.ProgramNonFiscalTotalizer(supply);
    uint8_t report[21];
    put(report, "Conferencia de Caixa");
    ok = ok && c.ProgramReportName(report);
    invalidateConfigurationCache();
    return ok;
}

bool save(QWidget &window, const QString &path) {
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}
} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    QDir().mkpath(out);

    QTemporaryDir dir;
    ToolConfigFile::Record record{};
    ToolConfig::setPortName(record, QString::fromLatin1(EmulatedPorts::ModelBPort));
    ToolConfig::setModelCode(record, ModelB);
    QFile file(dir.filePath(QStringLiteral("Tool.cfg")));
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char *>(record.data()), 20);
    file.close();

    ToolWindows windows(dir.path());
    windows.start();
    if (!QTest::qWaitFor(
            [&] { return windows.main.presenceIndicator()->color() == QColor(0, 128, 0); },
            20000)) {
        std::fprintf(stderr, "the emulated printer was not identified\n");
        return 1;
    }
    bool ok = save(windows.main, out + QStringLiteral("/main-window.png"));

    windows.main.findChild<QPushButton *>(QStringLiteral("btVisualizarCOM"))->click();
    windows.status.show();
    QTest::qWait(600);
    ok = save(windows.status, out + QStringLiteral("/status-window.png")) && ok;
    windows.status.hide();
    windows.status.show(); // a second read, for more traffic
    QTest::qWait(600);
    windows.status.hide();
    QTest::qWait(100);
    ok = save(windows.viewer, out + QStringLiteral("/traffic-viewer.png")) && ok;

    // The fiscal window, then each document window it opens, over it.
    if (!programDemoTables(*commandSetFor(ModelB)))
        std::fprintf(stderr, "the emulated printer refused the demo programming\n");
    windows.main.findChild<QPushButton *>(QStringLiteral("btFiscal"))->click();
    QTest::qWait(800); // the programming lists are read when it is shown
    ok = save(windows.fiscal, out + QStringLiteral("/fiscal-window.png")) && ok;
    const QList<QPair<QWidget *, const char *>> documents{
        {&windows.vendaItem, "item-sale"},        {&windows.cancelamento, "cancellation"},
        {&windows.totalizacao, "totalization"},   {&windows.pagamento, "payment"},
        {&windows.fechamento, "closing"},         {&windows.cnfnv, "non-fiscal-voucher"},
        {&windows.rg, "management-report"},       {&windows.ccd, "credit-debit-voucher"},
        {&windows.autenticacao, "authentication"}};
    for (const auto &[window, name] : documents) {
        window->show();
        QTest::qWait(200);
        ok = save(*window, out + QStringLiteral("/%1.png").arg(QLatin1String(name))) && ok;
        window->hide();
    }
    windows.fiscal.hide();
    return ok ? 0 : 1;
}
