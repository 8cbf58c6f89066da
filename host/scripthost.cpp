#include "scripthost.h"

#include "itemrecord.h"
#include "pricetable.h"
#include "receipt.h"
#include "scriptrun.h"

namespace kvp::refhost {

namespace {

QString yesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

QString resultText(const DataResult& r)
{
    switch (r.kind()) {
        case DataResult::Kind::Empty:
            return QStringLiteral("empty");
        case DataResult::Kind::Packet:
            return QStringLiteral("rows %1").arg(r.asPacket().rows.size());
        case DataResult::Kind::Packets:
            return QStringLiteral("packets %1").arg(r.asPackets().size());
        case DataResult::Kind::Text:
            return quoted(r.toText());
        case DataResult::Kind::Flag:
            return yesNo(r.asFlag());
        case DataResult::Kind::Error:
            break;
    }
    return QStringLiteral("error ") + quoted(r.errorText());
}

QString messageKind(int kind)
{
    if (kind == static_cast<int>(MessageKind::Question))
        return QStringLiteral("question");
    if (kind == static_cast<int>(MessageKind::Information))
        return QStringLiteral("information");
    return QStringLiteral("warning");
}

// One column's values of a packet held in an answer slot, blank separated; "none".
QString slotRows(const QVariant& slot, const QStringList& fields, const QString& join)
{
    if (!slot.canConvert<DataPacket>())
        return QStringLiteral("none");
    const DataPacket p = slot.value<DataPacket>();
    QStringList rows;
    for (const Row& row : p.rows) {
        QStringList values;
        for (const QString& f : fields)
            values << row.value(p.fieldIndex(f)).toString();
        rows << values.join(join);
    }
    return rows.isEmpty() ? QStringLiteral("none") : rows.join(QLatin1Char(' '));
}

// One input of a service as the module passes it: a text quoted, a number in C
// notation, yes/no, a packet by its rows, null for nothing.
QString argText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("null");
    if (v.canConvert<DataPacket>() && v.userType() == qMetaTypeId<DataPacket>())
        return QStringLiteral("rows %1").arg(v.value<DataPacket>().rows.size());
    switch (v.typeId()) {
        case QMetaType::Bool:
            return yesNo(v.toBool());
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(v.toDouble(), 'g', 15);
        default:
            return quoted(v.toString());
    }
}

// " args V1 V2 ...": every input of the call, in the module's order.
QString args(const QVariantList& values)
{
    QStringList words;
    for (const QVariant& v : values)
        words << argText(v);
    return QStringLiteral(" args ") + words.join(QLatin1Char(' '));
}

}  // namespace

ScriptHost::ScriptHost(HostServices& inner, ScriptRun& run) : m_inner(inner), m_run(run) {}

template <typename F>
auto ScriptHost::traced(const QString& what, const QString& inputs, F&& call)
{
    QString answer;
    try {
        if constexpr (std::is_void_v<decltype(call(answer))>) {
            call(answer);
            if (m_logging)
                m_run.transcript(QStringLiteral("call %1 -> %2").arg(what, answer) + inputs);
        } else {
            auto result = call(answer);
            if (m_logging)
                m_run.transcript(QStringLiteral("call %1 -> %2").arg(what, answer) + inputs);
            return result;
        }
    } catch (const SilentAbort&) {
        if (m_logging)
            m_run.transcript(QStringLiteral("call %1 -> %2").arg(
                what, answer.isEmpty() ? QStringLiteral("stopped") : answer + QStringLiteral(" stopped")) +
                             inputs);
        throw;
    } catch (const std::exception& e) {
        if (m_logging)
            m_run.transcript(QStringLiteral("call %1 -> raised %2").arg(what, quoted(QString::fromUtf8(e.what()))) +
                             inputs);
        throw;
    }
}

std::optional<ScriptAnswer> ScriptHost::takeIf(ScriptAnswer::Kind kind)
{
    if (m_run.failed())
        throw SilentAbort();
    std::deque<ScriptAnswer>& queue = m_run.answers();
    if (queue.empty() || queue.front().kind != kind)
        return std::nullopt;
    if (kind == ScriptAnswer::Kind::Observation && !queue.front().raw)
        return std::nullopt;
    ScriptAnswer a = queue.front();
    queue.pop_front();
    return a;
}

void ScriptHost::setPrice(const ScriptPrice& price)
{
    for (ScriptPrice& p : m_prices) {
        if (p.product == price.product && p.flag == price.flag) {
            p = price;
            return;
        }
    }
    m_prices.append(price);
}

const ScriptPrice* ScriptHost::priceFor(const QString& product, const QString& flag) const
{
    // The product's own answer for the flag, then for every flag; then those of "*".
    for (const QString& who : {product, QStringLiteral("*")}) {
        for (const bool anyFlag : {false, true}) {
            for (const ScriptPrice& p : m_prices) {
                if (p.product == who && (anyFlag ? !p.flag : p.flag == flag))
                    return &p;
            }
        }
    }
    return nullptr;
}

bool ScriptHost::Mensagem(const QString& text, const QString& s2, const QString& s3,
                          const QString& s4, int kind, const QString& s6, const QString& s7,
                          int number, DataSet* dataset)
{
    // The dataset by its name; null when none is passed.
    const QString inputs = args({text, s2, s3, s4, kind, s6, s7, number,
                                 dataset ? QVariant(dataset->name()) : QVariant()});
    return traced(QStringLiteral("Mensagem ") + messageKind(kind) + QLatin1Char(' ') + quoted(text), inputs,
                  [&](QString& answer) {
                      const bool r = m_inner.Mensagem(text, s2, s3, s4, kind, s6, s7, number, dataset);
                      answer = kind == static_cast<int>(MessageKind::Question) ? yesNo(r)
                                                                               : QStringLiteral("ok");
                      return r;
                  });
}

DataResult ScriptHost::MensagemMetodo(const DataResult& result, bool show, int code,
                                      const QString& method, const QString& module,
                                      const QString& detail1, const QString& detail2)
{
    const QString inputs = QStringLiteral(" args ") + resultText(result) +
                           args({show, code, method, module, detail1, detail2}).mid(5);
    // Through this host, so that the warning it may show is printed too.
    return traced(QStringLiteral("MensagemMetodo ") + method, inputs, [&](QString& answer) {
        answer = resultText(result);
        return defaultMensagemMetodo(*this, result, show, method);
    });
}

void ScriptHost::CheckResultServ(const DataResult& result, bool show, int code)
{
    const QString inputs =
        QStringLiteral(" args ") + resultText(result) + args({show, code}).mid(5);
    traced(QStringLiteral("CheckResultServ"), inputs, [&](QString& answer) {
        m_inner.CheckResultServ(result, show, code);
        answer = QStringLiteral("ok");
    });
}

double ScriptHost::BuscaPeso(const QString& port, const QString& speed)
{
    return traced(QStringLiteral("BuscaPeso port %1 speed %2").arg(quoted(port), quoted(speed)),
                  args({port, speed}), [&](QString& answer) {
                      double kg = 0;
                      if (const std::optional<ScriptAnswer> a = takeIf(ScriptAnswer::Kind::Scale)) {
                          kg = a->kg;
                          m_run.transcript(QStringLiteral("dialog scale -> %1").arg(kg, 0, 'g', 15));
                      } else {
                          kg = m_inner.BuscaPeso(port, speed);
                      }
                      answer = QString::number(kg, 'g', 15);
                      return kg;
                  });
}

bool ScriptHost::TecladoNumerico(QString& value, const QString& title, const QString& prompt,
                                 const QVariantList& further)
{
    return traced(QStringLiteral("TecladoNumerico initial %1 title %2 prompt %3")
                      .arg(quoted(value), quoted(title), quoted(prompt)),
                  args(QVariantList{value, title, prompt} + further), [&](QString& answer) {
                      const bool ok = m_inner.TecladoNumerico(value, title, prompt, further);
                      answer = ok ? quoted(value) : QStringLiteral("cancel");
                      return ok;
                  });
}

QString ScriptHost::Observacao(const QVariantList& inputs, HostAnswer& answer)
{
    const QString product = inputs.value(2).toString();
    const QString name = inputs.value(3).toString();
    return traced(QStringLiteral("Observacao product %1 name %2").arg(quoted(product), quoted(name)),
                  args(inputs), [&](QString& told) {
                      QString text;
                      if (const std::optional<ScriptAnswer> a = takeIf(ScriptAnswer::Kind::Observation)) {
                          const RawObservation& r = *a->raw;
                          answer = HostAnswer{};
                          DataPacket codes{records::ocorrencia(), {}};
                          for (const QString& c : r.codes)
                              codes.rows.append(Row{c});
                          DataPacket controlled{records::controlaObs(), {}};
                          for (const QStringList& row : r.controlled)
                              controlled.rows.append(Row{row.at(0), row.at(1), row.at(2)});
                          answer[0] = r.group;
                          answer[2] = QVariant::fromValue(codes);
                          answer[3] = r.typed;
                          answer[4] = QVariant::fromValue(controlled);
                          text = r.text;
                          m_run.transcript(QStringLiteral("dialog observation %1 -> raw %2")
                                               .arg(quoted(name), quoted(text)));
                      } else {
                          text = m_inner.Observacao(inputs, answer);
                      }
                      told = QStringLiteral("%1 group %2 codes %3 typed %4 controlled %5")
                                 .arg(quoted(text), quoted(answer[0].toString()),
                                      slotRows(answer[2], {QStringLiteral("CDOCORR")}, QString()),
                                      quoted(answer[3].toString()),
                                      slotRows(answer[4],
                                               {QStringLiteral("IDCONTROLAOBS"),
                                                QStringLiteral("CDPRODUTO"), QStringLiteral("CDOCORR")},
                                               QStringLiteral("/")));
                      return text;
                  });
}

void ScriptHost::CriaInfAdicional(const QVariantList& inputs, HostAnswer& answer)
{
    traced(QStringLiteral("CriaInfAdicional"), args(inputs), [&](QString& told) {
        m_inner.CriaInfAdicional(inputs, answer);
        told = quoted(answer[4].toString());
    });
}

bool ScriptHost::Pesquisa(DataSet& dataset, const QVariantList& further)
{
    // The rows as offered, before the dialog moves the cursor.
    QStringList columns;
    QStringList widths;
    QList<QStringList> rows;
    if (m_logging && dataset.isActive()) {
        QList<FieldDef> shown;
        for (const FieldDef& f : dataset.fields()) {
            if (f.visible) {
                shown << f;
                columns << quoted(f.displayLabel.isEmpty() ? f.name : f.displayLabel);
                widths << QString::number(f.displayWidth);
            }
        }
        const int keep = dataset.recNo();
        for (dataset.first(); !dataset.eof(); dataset.next()) {
            QStringList values;
            for (const FieldDef& f : shown)
                values << stableValue(f, dataset.value(f.name));
            rows << values;
        }
        if (keep > 0)
            dataset.setRecNo(keep);
    }
    const bool picked = traced(
        QStringLiteral("Pesquisa title %1 columns %2 rows %3")
            .arg(quoted(further.value(0).toString()), columns.join(QLatin1Char(' ')))
            .arg(rows.size()),
        QStringLiteral(" args %1").arg(quoted(dataset.name())) + args(further).mid(5) +
            QStringLiteral(" widths ") + widths.join(QLatin1Char(' ')),
        [&](QString& answer) {
            const bool r = m_inner.Pesquisa(dataset, further);
            answer = r ? QString::number(dataset.recNo()) : QStringLiteral("cancel");
            return r;
        });
    if (m_logging) {
        for (qsizetype i = 0; i < rows.size(); ++i)
            m_run.transcript(QStringLiteral("call Pesquisa row %1 %2").arg(i + 1).arg(rows.at(i).join(QLatin1Char(' '))));
    }
    return picked;
}

DataResult ScriptHost::ChamaFuncaoGetRetornaPreco(const QVariantList& nine, DataSet& price)
{
    const PriceQuery q = PriceQuery::fromValues(nine);
    return traced(QStringLiteral("ChamaFuncaoGetRetornaPreco product %1 flag %2")
                      .arg(quoted(q.product), quoted(q.priceFlag)),
                  args(nine), [&](QString& answer) {
                      DataResult r;
                      if (const ScriptPrice* p = priceFor(q.product, q.priceFlag)) {
                          if (!p->failure.isEmpty()) {
                              r = DataResult::error(p->failure);
                          } else {
                              fillPriceRecord(price, p->price, p->discount, p->surcharge, false);
                              if (p->clientPrice) {
                                  price.edit();
                                  price.setValue(QStringLiteral("VRPRECOCLIE"), *p->clientPrice);
                                  price.post();
                              }
                          }
                      } else {
                          r = m_inner.ChamaFuncaoGetRetornaPreco(nine, price);
                      }
                      answer = r.isError() ? resultText(r) : QStringLiteral("ok ") + stableRow(price);
                      return r;
                  });
}

void ScriptHost::ControleAcess(int functionCode, const QVariant& second, QString& text)
{
    traced(QStringLiteral("ControleAcess function %1").arg(functionCode),
           args({functionCode, second, text}), [&](QString& answer) {
        m_inner.ControleAcess(functionCode, second, text);
        answer = quoted(text);
    });
}

bool ScriptHost::VerificaAcesso(int functionCode, const QVariant& second, QString& text)
{
    return traced(QStringLiteral("VerificaAcesso function %1").arg(functionCode),
                  args({functionCode, second, text}), [&](QString& answer) {
        bool allowed = false;
        if (const std::optional<ScriptAnswer> a = takeIf(ScriptAnswer::Kind::Access)) {
            allowed = a->yes;
            text = allowed ? QString() : QStringLiteral("Acesso negado.");
            m_run.transcript(QStringLiteral("dialog access %1 -> %2").arg(functionCode).arg(yesNo(allowed)));
        } else {
            allowed = m_inner.VerificaAcesso(functionCode, second, text);
        }
        answer = yesNo(allowed) + (text.isEmpty() ? QString() : QLatin1Char(' ') + quoted(text));
        return allowed;
    });
}

void ScriptHost::RelFiscais()
{
    traced(QStringLiteral("RelFiscais"), QString(), [&](QString& answer) {
        m_inner.RelFiscais();
        answer = QStringLiteral("done");
    });
}

// The environment and the database session are not the services a replay looks at.

QString ScriptHost::GetStringConexQmt(const QString& name)
{
    return m_inner.GetStringConexQmt(name);
}

void ScriptHost::TryConnect(QSqlDatabase& connection)
{
    m_inner.TryConnect(connection);
}

void ScriptHost::SetADODBSession(QSqlDatabase& connection)
{
    m_inner.SetADODBSession(connection);
}

QString ScriptHost::ADOExceptionMessage(const QString& error, const QSqlDatabase& connection,
                                        const QString& text)
{
    return m_inner.ADOExceptionMessage(error, connection, text);
}

void ScriptHost::Trad(QHash<QString, QString>& captions)
{
    m_inner.Trad(captions);
}

QDateTime ScriptHost::now() const
{
    return m_inner.now();
}

QString ScriptHost::programFolder() const
{
    return m_inner.programFolder();
}

const FormatSettings& ScriptHost::formatSettings() const
{
    return m_inner.formatSettings();
}

}  // namespace kvp::refhost
