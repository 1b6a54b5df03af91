#include "fiscal_state.h"
#include "printer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// What the printer remembers across a restart, as JSON: the programming, the counters, the
// fiscal memory's reductions and users, the day's sales so far and the clock offset. Texts are
// the printer's bytes, one character per byte (Latin-1), so that nothing is lost or changed.
// An open document is not kept: a restart ends it as switching the printer off would.

namespace emu {

namespace {

constexpr int Version = 1;
const char *const Format = "emulador-ecf/estado";

QJsonValue text(const QByteArray &bytes) {
    return QString::fromLatin1(bytes);
}
QJsonValue amount(qint64 value) {
    return double(value); // exact up to 2^53 centavos, far beyond 12 digits
}

QJsonObject rate(const TaxRate &r) {
    return {{"iss", r.iss}, {"rate", text(r.rate)}};
}

QJsonObject reduction(const Reduction &r) {
    QJsonArray rates, byRate;
    for (size_t i = 0; i < r.rates.size(); ++i) {
        rates.append(rate(r.rates[i]));
        byRate.append(amount(r.byRate[i]));
    }
    return {{"crz", r.crz},
            {"cro", r.cro},
            {"coo", r.coo},
            {"movementDate", r.movementDate.toString(Qt::ISODate)},
            {"issuedAt", r.issuedAt.toString(Qt::ISODate)},
            {"grossSales", amount(r.grossSales)},
            {"grandTotal", amount(r.grandTotal)},
            {"cancellations", amount(r.cancellations)},
            {"discounts", amount(r.discounts)},
            {"rates", rates},
            {"byRate", byRate},
            {"substitution", amount(r.substitution)},
            {"exempt", amount(r.exempt)},
            {"notLevied", amount(r.notLevied)}};
}

// Reads the JSON back, checking every field's presence and type; the first fault found ends
// the reading with its description.
class Reader {
public:
    QString fault;

    bool ok() const { return fault.isEmpty(); }
    QJsonValue field(const QJsonObject &o, const char *name, QJsonValue::Type type) {
        const QJsonValue v = o.value(QLatin1String(name));
        if (ok() && v.type() != type)
            fault =
                QStringLiteral("campo \"%1\" ausente ou de tipo errado").arg(QLatin1String(name));
        return v;
    }
    QByteArray bytes(const QJsonObject &o, const char *name, int width = -1) {
        const QString s = field(o, name, QJsonValue::String).toString();
        if (ok() && (QString::fromLatin1(s.toLatin1()) != s || (width >= 0 && s.size() > width)))
            fault = QStringLiteral("texto inválido em \"%1\"").arg(QLatin1String(name));
        return s.toLatin1();
    }
    qint64 number(const QJsonObject &o, const char *name, qint64 low = 0) {
        const double d = field(o, name, QJsonValue::Double).toDouble();
        if (ok() && (d != double(qint64(d)) || d < double(low) || d > 1e15))
            fault = QStringLiteral("número inválido em \"%1\"").arg(QLatin1String(name));
        return qint64(d);
    }
    bool flag(const QJsonObject &o, const char *name) {
        return field(o, name, QJsonValue::Bool).toBool();
    }
    QJsonArray array(const QJsonObject &o, const char *name, qsizetype size = -1) {
        const QJsonArray a = field(o, name, QJsonValue::Array).toArray();
        if (ok() && size >= 0 && a.size() != size)
            fault = QStringLiteral("\"%1\" deve ter %2 itens").arg(QLatin1String(name)).arg(size);
        return a;
    }
    QJsonObject object(const QJsonValue &v, const char *name) {
        if (ok() && !v.isObject())
            fault = QStringLiteral("item de \"%1\" não é um objeto").arg(QLatin1String(name));
        return v.toObject();
    }
    QDate date(const QJsonObject &o, const char *name) {
        const QDate d =
            QDate::fromString(field(o, name, QJsonValue::String).toString(), Qt::ISODate);
        if (ok() && !d.isValid())
            fault = QStringLiteral("data inválida em \"%1\"").arg(QLatin1String(name));
        return d;
    }
    QDateTime dateTime(const QJsonObject &o, const char *name) {
        QDateTime t =
            QDateTime::fromString(field(o, name, QJsonValue::String).toString(), Qt::ISODate);
        t.setTimeSpec(Qt::UTC);
        if (ok() && !t.isValid())
            fault = QStringLiteral("data e hora inválidas em \"%1\"").arg(QLatin1String(name));
        return t;
    }
    TaxRate taxRate(const QJsonValue &v) {
        const QJsonObject o = object(v, "rates");
        return {flag(o, "iss"), bytes(o, "rate", 4)};
    }
    Reduction reduction(const QJsonValue &v) {
        const QJsonObject o = object(v, "reductions");
        Reduction r;
        r.crz = int(number(o, "crz", 1));
        r.cro = int(number(o, "cro", 1));
        r.coo = int(number(o, "coo"));
        r.movementDate = date(o, "movementDate");
        r.issuedAt = dateTime(o, "issuedAt");
        r.grossSales = number(o, "grossSales");
        r.grandTotal = number(o, "grandTotal");
        r.cancellations = number(o, "cancellations");
        r.discounts = number(o, "discounts");
        const QJsonArray rates = array(o, "rates", 16), byRate = array(o, "byRate", 16);
        for (int i = 0; ok() && i < 16; ++i) {
            r.rates[size_t(i)] = taxRate(rates[i]);
            const QJsonObject one{{"v", byRate[i]}};
            r.byRate[size_t(i)] = number(one, "v");
        }
        r.substitution = number(o, "substitution");
        r.exempt = number(o, "exempt");
        r.notLevied = number(o, "notLevied");
        return r;
    }
};

} // namespace

QByteArray Printer::saveState() const {
    std::lock_guard lock(mutex);
    const detail::PrinterState &s = *st;
    QJsonArray rates, methods, linked, totalizers, reports, users, reductions, byGroup;
    for (const TaxRate &r : s.taxRates)
        rates.append(rate(r));
    for (const PaymentMethod &m : s.methods)
        methods.append(QJsonObject{{"name", text(m.name)}, {"linked", m.linked}});
    for (const QByteArray &name : s.linkedTotalizers)
        linked.append(text(name));
    for (const NonFiscalTotalizer &t : s.totalizers)
        totalizers.append(QJsonObject{{"name", text(t.name)}, {"outflow", t.outflow}});
    for (const QByteArray &name : s.reportNames)
        reports.append(text(name));
    for (const UserRecord &u : s.users)
        users.append(QJsonObject{{"date", text(u.date)},
                                 {"cnpj", text(u.cnpj)},
                                 {"ie", text(u.ie)},
                                 {"im", text(u.im)}});
    for (const Reduction &r : s.reductions)
        reductions.append(reduction(r));
    const detail::DayTotals &day = s.documents.day;
    for (qint64 v : day.byGroup)
        byGroup.append(amount(v));
    const QJsonObject root{
        {"format", QLatin1String(Format)},
        {"version", Version},
        {"model", printerModel == Model::A ? "A" : "B"},
        {"taxRates", rates},
        {"paymentMethods", methods},
        {"linkedTotalizers", linked},
        {"totalizers", totalizers},
        {"reportNames", reports},
        {"options", text(s.options)},
        {"operator", text(s.operatorText)},
        {"header", text(s.header)},
        {"users", users},
        {"coo", s.coo},
        {"cro", s.cro},
        {"grandTotal", amount(s.grandTotal)},
        {"fiscalDay", s.fiscalDay ? QJsonValue(s.fiscalDay->toString(Qt::ISODate)) : QJsonValue()},
        {"clockOffsetSeconds", amount(s.clockOffset)},
        {"reductions", reductions},
        {"day", QJsonObject{{"gross", amount(day.gross)},
                            {"cancellations", amount(day.cancellations)},
                            {"discounts", amount(day.discounts)},
                            {"byGroup", byGroup}}},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool Printer::restoreState(const QByteArray &json, QString *error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    Reader in;
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        in.fault = QStringLiteral("não é um JSON válido (posição %1: %2)")
                       .arg(parseError.offset)
                       .arg(parseError.errorString());
    const QJsonObject root = document.object();
    if (in.ok() && root.value("format").toString() != QLatin1String(Format))
        in.fault = QStringLiteral("não é um arquivo de estado do emulador");
    if (in.ok() && root.value("version").toInt() != Version)
        in.fault = QStringLiteral("versão %1 desconhecida").arg(root.value("version").toInt());
    const QString model = printerModel == Model::A ? "A" : "B";
    if (in.ok() && root.value("model").toString() != model)
        in.fault = QStringLiteral("é de uma impressora de outro modelo (%1)")
                       .arg(root.value("model").toString());

    std::lock_guard lock(mutex);
    detail::PrinterState &s = *st;
    // Everything is read into these first; the printer changes only once all of it is sound.
    std::array<TaxRate, 16> taxRates{};
    std::vector<PaymentMethod> methods(s.methods.size());
    std::array<QByteArray, 16> linked{}, reports{};
    std::array<NonFiscalTotalizer, 16> totalizers{};
    std::vector<UserRecord> users;
    std::vector<Reduction> reductions;
    detail::DayTotals day;
    QJsonArray a = in.array(root, "taxRates", 16);
    for (int i = 0; in.ok() && i < 16; ++i)
        taxRates[size_t(i)] = in.taxRate(a[i]);
    a = in.array(root, "paymentMethods", qsizetype(methods.size()));
    for (int i = 0; in.ok() && i < a.size(); ++i) {
        const QJsonObject o = in.object(a[i], "paymentMethods");
        methods[size_t(i)] = {in.bytes(o, "name", s.methodNameWidth), in.flag(o, "linked")};
    }
    for (auto [name, target] :
         {std::pair{"linkedTotalizers", &linked}, {"reportNames", &reports}}) {
        a = in.array(root, name, 16);
        for (int i = 0; in.ok() && i < 16; ++i)
            (*target)[size_t(i)] = in.bytes(QJsonObject{{"v", a[i]}}, "v", 21);
    }
    a = in.array(root, "totalizers", 16);
    for (int i = 0; in.ok() && i < 16; ++i) {
        const QJsonObject o = in.object(a[i], "totalizers");
        totalizers[size_t(i)] = {in.bytes(o, "name", 21), in.flag(o, "outflow")};
    }
    const QByteArray options = in.bytes(root, "options", int(s.options.size()));
    if (in.ok() && options.size() != s.options.size())
        in.fault = QStringLiteral("\"options\" deve ter %1 caracteres").arg(s.options.size());
    const QByteArray operatorText = in.bytes(root, "operator");
    const QByteArray header = in.bytes(root, "header");
    a = in.array(root, "users");
    for (int i = 0; in.ok() && i < a.size(); ++i) {
        const QJsonObject o = in.object(a[i], "users");
        users.push_back(
            {in.bytes(o, "date"), in.bytes(o, "cnpj"), in.bytes(o, "ie"), in.bytes(o, "im")});
    }
    const int coo = int(in.number(root, "coo"));
    const int cro = int(in.number(root, "cro", 1));
    const qint64 grandTotal = in.number(root, "grandTotal");
    std::optional<QDate> fiscalDay;
    if (in.ok() && !root.value("fiscalDay").isNull())
        fiscalDay = in.date(root, "fiscalDay");
    const qint64 clockOffset = in.ok() ? qint64(root.value("clockOffsetSeconds").toDouble()) : 0;
    in.field(root, "clockOffsetSeconds", QJsonValue::Double);
    a = in.array(root, "reductions");
    if (in.ok() && a.size() > detail::FiscalMemoryCapacity)
        in.fault = QStringLiteral("mais reduções do que cabem na memória fiscal");
    for (int i = 0; in.ok() && i < a.size(); ++i)
        reductions.push_back(in.reduction(a[i]));
    const QJsonObject d = in.field(root, "day", QJsonValue::Object).toObject();
    day.gross = in.number(d, "gross");
    day.cancellations = in.number(d, "cancellations");
    day.discounts = in.number(d, "discounts");
    a = in.array(d, "byGroup", qsizetype(day.byGroup.size()));
    for (int i = 0; in.ok() && i < a.size(); ++i)
        day.byGroup[size_t(i)] = in.number(QJsonObject{{"v", a[i]}}, "v", -1000000000000000);

    if (!in.ok()) {
        if (error)
            *error = in.fault;
        return false;
    }
    s.taxRates = taxRates;
    s.methods = methods;
    s.linkedTotalizers = linked;
    s.reportNames = reports;
    s.totalizers = totalizers;
    s.options = options;
    s.operatorText = operatorText;
    s.header = header;
    s.users = users;
    s.coo = coo;
    s.cro = cro;
    s.grandTotal = grandTotal;
    s.fiscalDay = fiscalDay;
    s.clockOffset = clockOffset;
    s.reductions = reductions;
    s.documents.forget();
    s.documents.day = day;
    lastState.clear();
    return true;
}

void Printer::setStateObserver(std::function<void(const QByteArray &)> observer) {
    std::lock_guard lock(mutex);
    stateObserver = std::move(observer);
    lastState.clear();
}

void Printer::resetToFactory() {
    restoreState(factoryState);
    stateMayHaveChanged();
}

// Tells the observer of a change, once per change: the state is compared with what it was
// last told.
// Changes are told one at a time, in order, outside the printer's lock.
void Printer::stateMayHaveChanged() {
    std::lock_guard telling(observerMutex);
    std::function<void(const QByteArray &)> observer;
    {
        std::lock_guard lock(mutex);
        observer = stateObserver;
    }
    if (!observer)
        return;
    const QByteArray now = saveState();
    {
        std::lock_guard lock(mutex);
        if (now == lastState)
            return;
        lastState = now;
    }
    observer(now);
}

} // namespace emu
