#include "protocol/frame_layout.h"

#include "core/global.h"

namespace FrameLayouts {

namespace {

constexpr int V = Field::Variable;
constexpr int FF = 0xFF;
constexpr int LF = 10;

// clang-format off
QByteArray esc(int command) { return QByteArray("\x1B") + char(command); }
QByteArray gs(int command) { return QByteArray("\x1D") + char(command); }

Field make(const QString &name, int width, Kind kind) { Field f; f.name = name; f.width = width; f.kind = kind; return f; }
Field text(const QString &name, int width, int end = -1) { Field f = make(name, width, Kind::Text); f.end = end; return f; }
Field digits(const QString &name, int width) { return make(name, width, Kind::Digits); }
Field number(const QString &name, int width, int decimals, const QString &unit = {}) { Field f = make(name, width, Kind::Number); f.decimals = decimals; f.unit = unit; return f; }
Field fixed(const QByteArray &bytes, const QString &name = {}, const QString &label = {}) { Field f = make(name, int(bytes.size()), Kind::Fixed); f.choices = {{bytes, label}}; return f; }
Field choice(const QString &name, const QList<Choice> &choices) { Field f = make(name, int(choices.first().code.size()), Kind::Choice); f.choices = choices; return f; }
Field of(Kind kind, const QString &name, int width) { return make(name, width, kind); }
Field adjustment(int width, bool percentFirst) { Field f = make(QStringLiteral("valor do ajuste"), width, Kind::Adjustment); f.percentFirst = percentFirst; return f; }
Field answerAt(int at, Field field) { field.at = at; return field; }

const QString Rate = QStringLiteral("alíquota");
const QList<Choice> AdjustmentKinds{{"0", QStringLiteral("desconto %")}, {"1", QStringLiteral("desconto em valor ou nenhum")},
                                    {"2", QStringLiteral("acréscimo %")}, {"3", QStringLiteral("acréscimo em valor")}};
const Field AdjustmentKind = choice(QStringLiteral("ajuste"), AdjustmentKinds);
const Field Coo = digits(QStringLiteral("COO"), 6);
const Field Amount12 = number(QStringLiteral("valor"), 12, 2);
const Field When = of(Kind::DateTime, QStringLiteral("data e hora"), 12);
const QList<Choice> Signs{{"+", QStringLiteral("entrada")}, {"-", QStringLiteral("saída")}};
const QList<Choice> Clearing{{"ZZZ R", QStringLiteral("apagar programação")}, {"XXX R", QStringLiteral("manter programação")}};

// The rows both models share but for their bytes and answer positions.
QList<Layout> common(uint32_t m, int dataAt, int statusPoll) {
    const Field cooAnswer = answerAt(dataAt, Coo);
    return {
        {Id::StatusPoll, m, QStringLiteral("Status"), gs(statusPoll), {}, {answerAt(1, digits(QStringLiteral("status"), 12))}, true},
        {Id::IdleCr, m, QStringLiteral("Fim de impressão (CR)"), "\r", {}, {}},
        {Id::CancelWait, m, QStringLiteral("Cancelar autenticação"), "\x18", {}, {}},
        {Id::ReadTaxRates, m, QStringLiteral("Ler alíquotas"), esc(0xE7), {}, {}},
        {Id::ReadOptions, m, QStringLiteral("Ler parâmetros"), esc(0xE5), {}, {}},
        {Id::ProgramOptions, m, QStringLiteral("Programar parâmetros"), esc(0xE4), {text(QStringLiteral("parâmetros"), m == ModelA ? 40 : 20)}, {}},
        {Id::OpenCoupon, m, QStringLiteral("Abrir cupom"), esc(0xC8), {}, {cooAnswer}},
        {Id::ReadCliche, m, QStringLiteral("Ler clichê"), esc(0xE8), {}, {}},
        {Id::TechnicalIntervention, m, QStringLiteral("Intervenção técnica"), esc(0xC0),
         {When, choice(QStringLiteral("programação"), Clearing), text(QStringLiteral("clichê"), V, FF)}, {}},
        {Id::StartFirmwareUpdate, m, QStringLiteral("Atualizar firmware"), esc(0xC1), {text(QStringLiteral("número de série"), 8)}, {}},
        {Id::ReadClock, m, QStringLiteral("Ler relógio"), esc(0xE6), {}, {answerAt(dataAt, When)}},
        {Id::Authenticate, m, QStringLiteral("Autenticar"), "\x1BY", {text(QStringLiteral("texto"), V, LF)}, {}},
    };
}

QList<Layout> modelA() {
    const uint32_t A = ModelA;
    QList<Layout> rows = common(A, 2, 0xFF);
    const Field subtotal = answerAt(1, number(QStringLiteral("subtotal"), 12, 2));
    const Field coo = answerAt(2, Coo);
    rows += {
        {Id::ProgramTaxRate, A, QStringLiteral("Programar alíquota"), esc(0xDC), {fixed({}, QStringLiteral("tipo"), QStringLiteral("ICMS")), number(Rate, 4, 2, QStringLiteral(" %"))}, {}},
        {Id::ProgramIssTaxRate, A, QStringLiteral("Programar alíquota"), esc(0xDC), {fixed("S", QStringLiteral("tipo"), QStringLiteral("ISS")), number(Rate, 4, 2, QStringLiteral(" %"))}, {}},
        {Id::ProgramPaymentMethod, A, QStringLiteral("Programar forma de pagamento"), esc(0xDA),
         {fixed("PG"), choice(QStringLiteral("vínculo"), {{"V", QStringLiteral("vinculada")}, {"X", QStringLiteral("não vinculada")}}), of(Kind::Letter, QStringLiteral("índice"), 1), text(QStringLiteral("nome"), 17)}, {}},
        {Id::ProgramLinkedTotalizer, A, QStringLiteral("Programar totalizador vinculado"), esc(0xE2), {fixed("V"), text(QStringLiteral("nome"), 21)}, {}},
        {Id::ProgramNonFiscalTotalizer, A, QStringLiteral("Programar totalizador não fiscal"), esc(0xE2), {choice(QStringLiteral("sentido"), Signs), text(QStringLiteral("nome"), 21)}, {}},
        {Id::ProgramOperator, A, QStringLiteral("Programar operador"), esc(0xDA), {fixed("OOpr:"), text(QStringLiteral("operador"), 16)}, {}},
        {Id::ReadConfiguration, A, QStringLiteral("Ler configuração"), esc(0xEE), {}, {}},
        {Id::SellItemShort, A, QStringLiteral("Venda de item"), esc(0xCA),
         {text(Rate, 2), text(QStringLiteral("código"), 6), fixed("000"), choice(QStringLiteral("ajuste"), {{"0", QStringLiteral("sem acréscimo")}, {"1", QStringLiteral("acréscimo %")}}),
          number(QStringLiteral("acréscimo"), 4, 2, QStringLiteral(" %")), number(QStringLiteral("preço unitário"), 9, 2), of(Kind::Quantity, QStringLiteral("quantidade"), 5), text(QStringLiteral("descrição"), 14)}, {}},
        {Id::SellItemLong, A, QStringLiteral("Venda de item"), esc(0xDF),
         {text(Rate, 2), text(QStringLiteral("código"), 13), choice(QStringLiteral("ajuste"), {{"0", QStringLiteral("sem acréscimo")}, {"1", QStringLiteral("acréscimo %")}}),
          number(QStringLiteral("acréscimo"), 4, 2, QStringLiteral(" %")), number(QStringLiteral("preço unitário"), 10, 3), number(QStringLiteral("quantidade"), 8, 3),
          text(QStringLiteral("unidade"), 2), text(QStringLiteral("descrição"), V, FF)}, {}},
        {Id::CancelItem, A, QStringLiteral("Cancelar item"), esc(0xCD), {digits(QStringLiteral("item"), 3)}, {}},
        {Id::CancelCoupon, A, QStringLiteral("Cancelar cupom"), esc(0xCE), {}, {}},
        {Id::Totalize, A, QStringLiteral("Totalizar cupom"), esc(0xF1), {AdjustmentKind, adjustment(12, true)}, {subtotal}},
        {Id::RegisterPayment, A, QStringLiteral("Pagamento"), esc(0xF2), {text(QStringLiteral("forma"), 1), Amount12, text(QStringLiteral("texto"), V, FF)},
         {answerAt(1, number(QStringLiteral("saldo"), 12, 2))}},
        {Id::ReversePayment, A, QStringLiteral("Estorno de pagamento"), esc(0xF8), {text(QStringLiteral("de"), 1), text(QStringLiteral("para"), 1), Coo, Amount12}, {}},
        {Id::CloseCoupon, A, QStringLiteral("Fechar cupom"), esc(0xF3), {text(QStringLiteral("mensagem"), V, FF)}, {}},
        {Id::IssueNonFiscalVoucher, A, QStringLiteral("Comprovante não fiscal"), esc(0xD9),
         {text(QStringLiteral("totalizador"), 1), AdjustmentKind, adjustment(12, true), fixed("0000"), number(QStringLiteral("valor"), 8, 2), fixed("\xFF")}, {coo}},
        {Id::OpenVoucher, A, QStringLiteral("Comprovante vinculado"), esc(0xDB), {text(QStringLiteral("totalizador vinculado"), 1), text(QStringLiteral("forma"), 1), Coo, Amount12}, {coo}},
        {Id::OpenManagementReport, A, QStringLiteral("Abrir relatório gerencial"), esc(0xD3), {}, {coo}},
        {Id::ReportLine, A, QStringLiteral("Linha de relatório"), esc(0xD5), {text(QStringLiteral("linha"), V, FF)}, {}},
        {Id::CloseReport, A, QStringLiteral("Fechar relatório"), esc(0xD4), {}, {}},
        {Id::RecordUser, A, QStringLiteral("Gravar usuário"), esc(0xBE),
         {of(Kind::Date, QStringLiteral("data"), 6), fixed(QByteArray(16, ' ')), fixed("CNPJ:"), text(QStringLiteral("CNPJ"), 20), fixed("IE:"), text(QStringLiteral("IE"), 20),
          text(QStringLiteral("IM"), 48), text(QStringLiteral("autorização"), V)}, {}},
        {Id::ReadingX, A, QStringLiteral("Leitura X"), esc(0xCF), {}, {}},
        {Id::ReductionZ, A, QStringLiteral("Redução Z"), esc(0xD0), {When}, {}},
        {Id::ReadFiscalMemory, A, QStringLiteral("Leitura da memória fiscal"), esc(0xD1),
         {choice(QStringLiteral("destino"), {{"X", QStringLiteral("impressa")}, {"S", QStringLiteral("enviada ao PC")}}), text(QStringLiteral("início"), 6), text(QStringLiteral("fim"), 6)}, {}},
    };
    return rows;
}

QList<Layout> modelB() {
    const uint32_t B = ModelB;
    QList<Layout> rows = common(B, 6, 0x05);
    const Field coo = answerAt(6, Coo);
    const Field itemAdjustment = adjustment(9, false);
    rows += {
        {Id::ProgramTaxRate, B, QStringLiteral("Programar alíquota"), esc(0xDC), {choice(QStringLiteral("tipo"), {{"N", QStringLiteral("ICMS")}, {"S", QStringLiteral("ISS")}}), number(Rate, 4, 2, QStringLiteral(" %"))}, {}},
        {Id::ProgramPaymentMethod, B, QStringLiteral("Programar forma de pagamento"), esc(0xDE), {of(Kind::LinkedIndex, QStringLiteral("índice"), 2), text(QStringLiteral("nome"), 21)}, {}},
        {Id::ProgramReportName, B, QStringLiteral("Programar relatório gerencial"), esc(0xE0), {text(QStringLiteral("nome"), 21)}, {}},
        {Id::ProgramNonFiscalTotalizer, B, QStringLiteral("Programar totalizador não fiscal"), esc(0xDF), {choice(QStringLiteral("sentido"), Signs), text(QStringLiteral("nome"), 21)}, {}},
        {Id::ProgramOperator, B, QStringLiteral("Programar operador"), esc(0xDD), {fixed("Lj:"), text(QStringLiteral("loja"), 4), fixed("  Opr:"), text(QStringLiteral("operador"), 13)}, {}},
        {Id::ReadConfiguration, B, QStringLiteral("Ler configuração"), esc(0xEA), {}, {}},
        {Id::SellItemShort, B, QStringLiteral("Venda de item"), esc(0xC9),
         {text(Rate, 2), text(QStringLiteral("código"), 6), AdjustmentKind, itemAdjustment, number(QStringLiteral("preço unitário"), 9, 2),
          of(Kind::Quantity, QStringLiteral("quantidade"), 5), text(QStringLiteral("descrição"), 13)}, {}},
        {Id::SellItemLong, B, QStringLiteral("Venda de item"), esc(0xCA),
         {text(Rate, 2), text(QStringLiteral("código"), 18), AdjustmentKind, itemAdjustment, number(QStringLiteral("preço unitário"), 10, 3),
          number(QStringLiteral("quantidade"), 8, 3), text(QStringLiteral("unidade"), 2), text(QStringLiteral("descrição"), V, FF)}, {}},
        {Id::AdjustItem, B, QStringLiteral("Ajuste de item"), esc(0xCB), {digits(QStringLiteral("item"), 3), AdjustmentKind, itemAdjustment}, {}},
        {Id::CancelItem, B, QStringLiteral("Cancelar item"), esc(0xCC), {digits(QStringLiteral("item"), 3)}, {}},
        {Id::CancelCoupon, B, QStringLiteral("Cancelar cupom"), esc(0xD3), {}, {}},
        {Id::CancelVoucher, B, QStringLiteral("Cancelar comprovante"), esc(0xD9), {Coo}, {}},
        {Id::Totalize, B, QStringLiteral("Totalizar cupom"), esc(0xCE), {AdjustmentKind, adjustment(12, false)}, {answerAt(6, number(QStringLiteral("subtotal"), 12, 2))}},
        {Id::RegisterPayment, B, QStringLiteral("Pagamento"), esc(0xCF), {digits(QStringLiteral("forma"), 2), Amount12, text(QStringLiteral("texto"), V, FF)},
         {answerAt(6, number(QStringLiteral("saldo"), 12, 2))}},
        {Id::ReversePayment, B, QStringLiteral("Estorno de pagamento"), esc(0xDB), {digits(QStringLiteral("de"), 2), digits(QStringLiteral("para"), 2), Coo, Amount12}, {}},
        {Id::CloseCoupon, B, QStringLiteral("Fechar cupom"), esc(0xD1), {fixed("X"), text(QStringLiteral("mensagem"), V, FF)}, {}},
        {Id::IssueNonFiscalVoucher, B, QStringLiteral("Comprovante não fiscal"), esc(0xD4),
         {digits(QStringLiteral("totalizador"), 2), AdjustmentKind, adjustment(12, false), fixed("0000"), number(QStringLiteral("valor"), 8, 2), fixed("\xFF")}, {coo}},
        {Id::OpenVoucher, B, QStringLiteral("Comprovante vinculado"), esc(0xD5), {digits(QStringLiteral("forma"), 2), Coo, Amount12}, {coo}},
        {Id::ReprintVoucher, B, QStringLiteral("Reimprimir comprovante"), esc(0xDA), {}, {}},
        {Id::OpenManagementReport, B, QStringLiteral("Abrir relatório gerencial"), esc(0xD2), {digits(QStringLiteral("relatório"), 2)}, {coo}},
        {Id::ReportLine, B, QStringLiteral("Linha de relatório"), esc(0xD7), {text(QStringLiteral("linha"), 48)}, {}},
        {Id::CloseReport, B, QStringLiteral("Fechar relatório"), esc(0xD8), {}, {}},
        {Id::AuthenticateAlternate, B, QStringLiteral("Autenticar (ESC y)"), "\x1By", {text(QStringLiteral("texto"), V, LF)}, {}},
        {Id::RecordUser, B, QStringLiteral("Gravar usuário"), esc(0xBE),
         {of(Kind::Date, QStringLiteral("data"), 6), fixed("CNPJ:"), text(QStringLiteral("CNPJ"), 20), fixed("IE:"), text(QStringLiteral("IE"), 20),
          text(QStringLiteral("IM"), 23), fixed(QByteArray(25, ' ')), text(QStringLiteral("autorização"), V)}, {}},
        {Id::ReadingX, B, QStringLiteral("Leitura X"), esc(0xFA), {}, {}},
        {Id::ReductionZ, B, QStringLiteral("Redução Z"), esc(0xFC), {When}, {}},
        {Id::ReadFiscalMemory, B, QStringLiteral("Leitura da memória fiscal"), esc(0xFB),
         {choice(QStringLiteral("destino"), {{"X", QStringLiteral("impressa, resumida")}, {"x", QStringLiteral("impressa, completa")},
                                             {"S", QStringLiteral("enviada ao PC, resumida")}, {"s", QStringLiteral("enviada ao PC, completa")}}),
          text(QStringLiteral("início"), 6), text(QStringLiteral("fim"), 6)}, {}},
    };
    return rows;
}
// clang-format on

} // namespace

QByteArray Layout::build(const QByteArrayList &values) const {
    QByteArray frame = prefix;
    qsizetype next = 0;
    for (const Field &f : fields) {
        if (f.kind == Kind::Fixed) {
            frame += f.choices.first().code;
            continue;
        }
        Q_ASSERT_X(next < values.size(), "Layout::build", qPrintable(name));
        const QByteArray value = next < values.size() ? values[next++] : QByteArray();
        Q_ASSERT_X(f.width == Field::Variable || value.size() == f.width, "Layout::build",
                   qPrintable(name + QLatin1Char('/') + f.name));
        frame += value;
        if (f.width == Field::Variable && f.end >= 0)
            frame += char(f.end);
    }
    return frame;
}

const QList<Layout> &layouts(uint32_t model) {
    static const QList<Layout> a = modelA();
    static const QList<Layout> b = modelB();
    static const QList<Layout> none;
    return model == ModelA ? a : model == ModelB ? b : none;
}

const Layout &layout(uint32_t model, Id id) {
    for (const Layout &l : layouts(model)) {
        if (l.id == id)
            return l;
    }
    qFatal("no frame layout %d for model %u", int(id), unsigned(model));
}

} // namespace FrameLayouts
