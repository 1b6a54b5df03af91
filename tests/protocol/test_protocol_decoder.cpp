// The monitor's decoder against the command sets: every frame an operation builds reads back
// as the fields it was built from, and every answer form reads as the printer meant it. Between
// them the two tables reach every layout of both models.
#include "protocol/frame_decoder.h"
#include "protocol_bench.h"
#include "support/test_main.h"

#include <QRegularExpression>
#include <QtTest>

#include <set>

using namespace bench;
using namespace FrameDecoder;

namespace {

std::set<std::pair<uint, int>> reached; // (model, layout id) decoded by a row
int rowsDeclared = 0, rowsRun = 0;

QString decoded(uint model, const QByteArray &frame) {
    const DecodedFrame d = decodeFrame(model, frame);
    if (d.layout)
        reached.insert({d.layout->model, int(d.layout->id)});
    QString text = d.command + (d.fields.isEmpty() ? QString() : " | " + d.fieldsText());
    // The PC's date and time go in as they are at the moment of sending.
    return text.replace(QRegularExpression("\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d"), "{DT}")
        .replace(QRegularExpression("data: \\d\\d/\\d\\d/\\d\\d"), "data: {D}");
}

// clang-format off
const auto item = [](int form, const QByteArray &code, const QByteArray &description, char type = 'N', char mode = 0, const QByteArray &adjustment = "", char format = 'I') {
    return char(form) + pad(code, 20, '\0') + pad(description, 210, '\0') + "0000012345" + QByteArray(5, '\0') + "T112345678" + QByteArray(2, '\0') + "un" + format + pad(adjustment, 9, '\0') + QByteArray(6, '\0') + type + mode + "007";
};
const auto voucher = [](const QByteArray &totalizer, char type, char mode, const QByteArray &adjustment) {
    return pad(totalizer, 2, '\0') + type + pad(adjustment, 8, '\0') + QByteArray(7, '\0') + "00005000" + QByteArray(47, '\0') + mode;
};
const auto cliche = [](const QByteArray &ecf, const QByteArray &text, uint32_t length) { return pad(ecf, 4, '\0') + pad(text, 1200, '\0') + bytesOf(length); };
const auto user = [](const QByteArray &im) { return pad("12345678000190", 20) + pad("ISENTO", 20) + pad(im, 20) + pad("ABCDEFGHIJ", 20); };
const QByteArray MarkedOptions = QByteArray("abc#de#fghijkl##m###n#########op").replace('#', '\0').leftJustified(70, '\0');
const QString Card = QStringLiteral("\"Cartão de crédito\""), CardB = QStringLiteral("\"Cartão de crédito xyz\"");
const QString Desc = "\"Arroz tipo 1 pacote 5kg\"", Status = "Status", Intervention = QStringLiteral("Intervenção técnica | data e hora: {DT}; programação: ");
// clang-format on

} // namespace

class ProtocolDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void builtFrames_data();
    void builtFrames() {
        QFETCH(uint, model);
        QFETCH(QString, op);
        QFETCH(QByteArray, input);
        QFETCH(QStringList, expected);
        QFETCH(double, firmware);
        QFETCH(QByteArrayList, script);
        // Unless given, every wait brings an accepted answer (a status of all zeros).
        Bench bench(script.isEmpty() ? QByteArrayList(10, ok(model, QByteArray(12, '0'))) : script);
        toolState().ModelCode = model;
        toolState().FirmwareVersionNumber = firmware;
        char coo[6] = {};
        for (const QString &one : op.split(',')) {
            QByteArray io = input;
            run(bench.model(model), bench.link, one, io, coo);
        }
        ++rowsRun;
        QStringList frames;
        for (const QByteArray &frame : bench.written())
            frames << decoded(model, frame);
        QCOMPARE(frames, expected);
    }
    void answers_data();
    void answers() {
        QFETCH(uint, model);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, answer);
        QFETCH(QString, expected);
        const DecodedFrame d = decodeFrame(model, frame);
        ++rowsRun;
        QCOMPARE(decoded(model, frame) + " => " + decodeAnswer(model, d, answer).text, expected);
    }
    // When every row ran: together they reached every layout of both models.
    void cleanupTestCase() {
        if (rowsRun != rowsDeclared)
            return;
        QStringList missing;
        for (uint model : {uint(ModelA), uint(ModelB)})
            for (const FrameLayouts::Layout &l : FrameLayouts::layouts(model))
                if (!reached.count({model, int(l.id)}))
                    missing << QString::number(model) + ": " + l.name;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }
};

void ProtocolDecoderTest::builtFrames_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<double>("firmware");
    QTest::addColumn<QByteArrayList>("script");
    const uint A = ModelA, B = ModelB;
    const auto row = [](const char *name, uint model, const char *op, const QByteArray &input,
                        const QStringList &expected, double firmware = 0,
                        const QByteArrayList &script = {}) {
        ++rowsDeclared;
        QTest::newRow(name) << model << QString(op) << input << expected << firmware << script;
    };
    // clang-format off
    const QByteArray card = QString("Cartão de crédito xyz").toLatin1(), desc = "Arroz tipo 1 pacote 5kg", t48(48, 't');
    const QString taxRate = QStringLiteral("Programar alíquota | tipo: "), payment = QStringLiteral("Programar forma de pagamento | "), sale = QStringLiteral("Venda de item | alíquota: \"T1\"; código: ");
    row("A tax rate ISS", A, "ProgramTaxRate", "\1" "1800", {taxRate + "ISS; alíquota: 18,00 %"});
    row("A tax rate ICMS", A, "ProgramTaxRate", QByteArray(1, '\0') + "0700", {taxRate + "ICMS; alíquota: 7,00 %"});
    row("B tax rate ISS", B, "ProgramTaxRate", "\1" "0500", {taxRate + "ISS; alíquota: 5,00 %"});
    row("A payment 16 linked", A, "ProgramPaymentMethod", "\1" "16" + pad(card, 21), {payment + QStringLiteral("vínculo: vinculada; índice: 16; nome: ") + Card});
    row("B payment 05 linked", B, "ProgramPaymentMethod", "\1" "05" + pad(card, 21), {payment + QStringLiteral("índice: 05 vinculada; nome: ") + CardB});
    row("A linked totalizer", A, "ProgramLinkedTotalizer", "\1" "03" + pad(card, 21), {"Programar totalizador vinculado | nome: " + Card});
    row("B report name", B, "ProgramReportName", pad(card, 21), {QStringLiteral("Programar relatório gerencial | nome: ") + CardB});
    row("A totalizer outflow", A, "ProgramNonFiscalTotalizer", "\1  " + pad("Sangria", 21), {QStringLiteral("Programar totalizador não fiscal | sentido: saída; nome: \"Sangria\"")});
    row("B totalizer inflow", B, "ProgramNonFiscalTotalizer", QByteArray(3, '\0') + pad("Troco", 21), {QStringLiteral("Programar totalizador não fiscal | sentido: entrada; nome: \"Troco\"")});
    row("A options", A, "ProgramOptions", MarkedOptions, {QStringLiteral("Programar parâmetros | parâmetros: \"0b0anc0m10le00Xfghi08jk25500000d0p000000\"")}, 1.22);
    row("B options", B, "ProgramOptions", MarkedOptions, {QStringLiteral("Programar parâmetros | parâmetros: \"abcXdeXfghijk00000op\"")}, 1.01);
    row("A operator", A, "ProgramOperator", pad("", 4) + pad(QString("João").toLatin1(), 16), {QStringLiteral("Programar operador | operador: \"João\"")});
    row("B operator", B, "ProgramOperator", "0001" + QString("José da Silva123").toLatin1(), {QStringLiteral("Programar operador | loja: \"0001\"; operador: \"José da Silva\"")});
    row("A intervention with header", A, "TechnicalIntervention", "01" + cliche("0007", QString("Ação\r\n").toLatin1() + "\xFF", 7), {Status, Intervention + QStringLiteral("manter programação; clichê: \"0007Ação[CR][LF]\"")});
    row("B intervention", B, "TechnicalIntervention", "10" + cliche("", "", 0), {Status, Intervention + QStringLiteral("apagar programação; clichê: \"\"")});
    row("A user with IM", A, "RecordUser", user("98765"), {Status, Intervention + QStringLiteral("apagar programação; clichê: \"0001KORVEL S.A.[CR][LF]\""),
        QStringLiteral("Gravar usuário | data: {D}; CNPJ: \"12345678000190\"; IE: \"ISENTO\"; IM: \"IM:98765\"; autorização: \"ABCDEFGH\"")}, 1.22);
    row("B user without IM", B, "RecordUser", user(""), {Status, Intervention + QStringLiteral("apagar programação; clichê: \"0001KORVEL S.A.[CR][LF]\""),
        QStringLiteral("Gravar usuário | data: {D}; CNPJ: \"12345678000190\"; IE: \"ISENTO\"; IM: \"\"; autorização: \"\"")}, 1.00);
    row("A firmware update", A, "StartFirmwareUpdate", "AB123456", {Status, QStringLiteral("Atualizar firmware | número de série: \"AB123456\"")});
    row("B firmware update", B, "StartFirmwareUpdate", "AB123456", {Status, QStringLiteral("Atualizar firmware | número de série: \"XXXXXXXX\"")});
    row("A reports", A, "ReadingX,ReductionZ", {}, {"Leitura X", QStringLiteral("Redução Z | data e hora: {DT}")});
    row("B reports", B, "ReadingX,ReductionZ", {}, {"Leitura X", QStringLiteral("Redução Z | data e hora: {DT}")});
    row("A memory printed", A, "ReadFiscalMemory", "x000001000002", {QStringLiteral("Leitura da memória fiscal | destino: impressa; início: \"000001\"; fim: \"000002\""), QStringLiteral("Fim de impressão (CR)"), Status}, 0, {":", status("000200000000")});
    row("B memory printed", B, "ReadFiscalMemory", "X000001000002", {QStringLiteral("Leitura da memória fiscal | destino: impressa, resumida; início: \"000001\"; fim: \"000002\""), QStringLiteral("Fim de impressão (CR)"), Status}, 0, {ok(B), status("000030000000")});
    row("B memory to the PC", B, "ReadFiscalMemory", "s010195311294", {QStringLiteral("Leitura da memória fiscal | destino: enviada ao PC, completa; início: \"010195\"; fim: \"311294\"")});
    const char *reads = "ReadTaxRates,ReadOptions,ReadConfiguration,ReadCliche,ReadClock,ReadStatus,OpenCoupon,CancelCoupon,CloseReport";
    const QStringList readNames{QStringLiteral("Ler alíquotas"), QStringLiteral("Ler parâmetros"), QStringLiteral("Ler configuração"), QStringLiteral("Ler clichê"), QStringLiteral("Ler relógio"), Status, "Abrir cupom", "Cancelar cupom", QStringLiteral("Fechar relatório")};
    row("A reads", A, reads, {}, readNames);
    row("B reads", B, reads, {}, readNames);
    row("A long item, surcharge", A, "SellItem", item(0, "789123", desc, 'A', 'P', "1000"), {sale + QStringLiteral("\"789123\"; ajuste: acréscimo %; acréscimo: 10,00 %; preço unitário: 12,345; quantidade: 12345,678; unidade: \"un\"; descrição: ") + Desc});
    row("A short item, decimal", A, "SellItem", item(1, "123456789", desc, 'D', 'P', "0500", 'D'), {sale + QStringLiteral("\"123456\"; ajuste: sem acréscimo; acréscimo: 5,00 %; preço unitário: 12,34; quantidade: 12,34; descrição: \"Arroz tipo 1\"")});
    row("B long item, 10 % off", B, "SellItem", item(0, "789123", desc, 'D', 'P', "1000"), {sale + QStringLiteral("\"789123\"; ajuste: desconto %; valor do ajuste: 10,00 %; preço unitário: 12,345; quantidade: 12345,678; unidade: \"un\"; descrição: ") + Desc});
    row("B short item, whole", B, "SellItem", item(1, "12", "Sal", 'A', 'V', "000000099"), {sale + QStringLiteral("\"12\"; ajuste: acréscimo em valor; valor do ajuste: 0,99; preço unitário: 12,34; quantidade: 12345; descrição: \"Sal\"")});
    row("B adjust item", B, "AdjustItem", item(0, "", "", 'A', 'V', "000012345"), {QStringLiteral("Ajuste de item | item: 007; ajuste: acréscimo em valor; valor do ajuste: 123,45")});
    row("A cancel item", A, "CancelItem", "012", {"Cancelar item | item: 012"});
    row("B cancel item", B, "CancelItem", "012", {"Cancelar item | item: 012"});
    row("B cancel voucher", B, "CancelVoucher", "000123", {"Cancelar comprovante | COO: 000123"});
    row("A total +10 %", A, "Totalize", pad("1000", 15, '\0') + "AP", {QStringLiteral("Totalizar cupom | ajuste: acréscimo %; valor do ajuste: 10,00 %")});
    row("B total +10 %", B, "Totalize", pad("1000", 15, '\0') + "AP", {QStringLiteral("Totalizar cupom | ajuste: acréscimo %; valor do ajuste: 10,00 %")});
    row("A total -value", A, "Totalize", pad("000000001234", 15, '\0') + "DV", {QStringLiteral("Totalizar cupom | ajuste: desconto em valor ou nenhum; valor do ajuste: 12,34")});
    row("A payment text 48", A, "RegisterPayment", pad("B", 2, '\0') + "000000010000" + QByteArray(3, '\0') + t48, {"Pagamento | forma: \"B\"; valor: 100,00; texto: \"" + t48.left(43) + "\""});
    row("B payment", B, "RegisterPayment", "52" "000000010000" + QByteArray(3, '\0') + "Obrigado", {"Pagamento | forma: 52; valor: 100,00; texto: \"Obrigado\""});
    row("A reversal", A, "ReversePayment", "AxBy000042000000000500", {"Estorno de pagamento | de: \"A\"; para: \"B\"; COO: 000042; valor: 5,00"});
    row("B reversal", B, "ReversePayment", "0152000042000000000500", {"Estorno de pagamento | de: 01; para: 52; COO: 000042; valor: 5,00"});
    row("A closing", A, "CloseCoupon", "Volte\r\n", {"Fechar cupom | mensagem: \"Volte[CR][LF]\""});
    row("B closing", B, "CloseCoupon", "Volte", {"Fechar cupom | mensagem: \"Volte[CR][LF]\""});
    row("A voucher -2,5 %", A, "IssueNonFiscalVoucher", voucher("C", 'D', 'P', "0250"), {QStringLiteral("Comprovante não fiscal | totalizador: \"C\"; ajuste: desconto %; valor do ajuste: 2,50 %; valor: 50,00")});
    row("B voucher +value", B, "IssueNonFiscalVoucher", voucher("03", 'A', 'V', "00000150"), {QStringLiteral("Comprovante não fiscal | totalizador: 03; ajuste: acréscimo em valor; valor do ajuste: 1,50; valor: 50,00")});
    row("A linked voucher", A, "OpenVoucher", "52000042000000010000   E", {"Comprovante vinculado | totalizador vinculado: \"E\"; forma: \"5\"; COO: 000042; valor: 100,00"});
    row("B linked voucher", B, "OpenVoucher", "52000042000000010000   E", {"Comprovante vinculado | forma: 52; COO: 000042; valor: 100,00"});
    row("B reprint", B, "ReprintVoucher", {}, {"Reimprimir comprovante"});
    row("A report", A, "OpenManagementReport", "07", {QStringLiteral("Abrir relatório gerencial")});
    row("B report 07", B, "OpenManagementReport", "07", {QStringLiteral("Abrir relatório gerencial | relatório: 07")});
    row("A lines", A, "PrintReportLines", "um\r\ndois", {QStringLiteral("Linha de relatório | linha: \"um\""), QStringLiteral("Linha de relatório | linha: \"dois\"")});
    row("B line", B, "PrintReportLines", "um", {QStringLiteral("Linha de relatório | linha: \"um\"")});
    row("A authentication", A, "Authenticate", "0Pago", {"Autenticar | texto: \"Pago\""});
    row("B authentication", B, "Authenticate", "0Pago", {"Autenticar | texto: \"Pago\""});
    row("B authentication ESC y", B, "Authenticate", "1Pago", {"Autenticar (ESC y) | texto: \"Pago\""});
    // clang-format on
}

void ProtocolDecoderTest::answers_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("expected");
    const uint A = ModelA, B = ModelB;
    const auto row = [](const char *name, uint model, const QByteArray &frame,
                        const QByteArray &answer, const QString &expected) {
        ++rowsDeclared;
        QTest::newRow(name) << model << frame << answer << expected;
    };
    // clang-format off
    row("A COO at byte 2", A, esc(0xC8), ":0001234", "Abrir cupom => aceito; COO: 001234");
    row("B COO at byte 6", B, esc(0xD2) + "07", ok(B, "000042"), QStringLiteral("Abrir relatório gerencial | relatório: 07 => aceito; COO: 000042"));
    row("A subtotal at byte 1", A, esc(0xF1) + "1" + QByteArray(12, '0'), ":000000012345", QStringLiteral("Totalizar cupom | ajuste: desconto em valor ou nenhum; valor do ajuste: 0,00 => aceito; subtotal: 123,45"));
    row("B balance at byte 6", B, esc(0xCF) + "01000000010000\xFF", ok(B, "000000000500"), "Pagamento | forma: 01; valor: 100,00; texto: \"\" => aceito; saldo: 5,00");
    row("A answer too short for its COO", A, esc(0xC8), ":00", "Abrir cupom => aceito");
    row("A clock", A, esc(0xE6), ":x311226235958", QStringLiteral("Ler relógio => aceito; data e hora: 31/12/26 23:59:58"));
    row("A refused", A, esc(0xCF), ":E16", "Leitura X => recusado: código 16 – Erro de sintaxe no comando");
    row("A refused, text of two lines", A, esc(0xCF), ":E13", QStringLiteral("Leitura X => recusado: código 13 – Dígito não numérico não esperado foi encontrado nos parâmetros"));
    row("A refused, code not in the table", A, esc(0xCF), ":E99", "Leitura X => recusado: código 99 – Erro desconhecido");
    row("B refused", B, esc(0xFA), refusal(B), "Leitura X => recusado: código 16 – Erro na sintaxe do comando");
    row("B silent", B, esc(0xFA), {}, "Leitura X => sem resposta");
    row("B status has no error mark", B, "\x1D\x05", status("008000000000"), "Status => aceito; status: 008000000000");
    row("A status", A, "\x1D\xFF", ":000200000000\xFF\r", "Status => aceito; status: 000200000000");
    row("A cancelled wait", A, "\x18", ":", QStringLiteral("Cancelar autenticação => aceito"));
    row("B cancelled wait", B, "\x18", {}, QStringLiteral("Cancelar autenticação => sem resposta"));
    row("A unknown command", A, esc(0x99) + "\x01", ":", "desconhecido | bytes: 1B 99 01 => desconhecido: 3A");
    row("A frame on model B's command", A, esc(0xFA), ":", "desconhecido | bytes: 1B FA => desconhecido: 3A");
    row("no model: both tried", 0, esc(0xFA), {}, "Leitura X => sem resposta");
    row("A wrong choice byte", A, esc(0xE2) + "*" + QByteArray(21, 'n'), ":", "desconhecido | bytes: 1B E2 2A " + QByteArray(21, 'n').toHex(' ').toUpper() + " => desconhecido: 3A");
    // clang-format on
}

TOOL_TEST_CLASS(ProtocolDecoderTest)
#include "test_protocol_decoder.moc"
