#include "answers.h"

#include "itemrecord.h"

#include <QSet>

namespace kvp::refhost {

namespace {

QString valueOf(const Row& row, int field)
{
    return field < 0 ? QString() : row.value(field).toString();
}

}  // namespace

QString fillObservationAnswer(const DataPacket& occurrences, const ObservationChoice& choice,
                              HostAnswer& answer)
{
    answer = HostAnswer{};
    DataPacket chosen{records::ocorrencia(), {}};
    DataPacket controlled{records::controlaObs(), {}};
    answer[0] = QString();
    answer[2] = QVariant::fromValue(chosen);
    answer[3] = QString();
    answer[4] = QVariant::fromValue(controlled);
    if (!choice.confirmed)
        return QStringLiteral("erro");

    const int code = occurrences.fieldIndex(QStringLiteral("CDOCORR"));
    const int description = occurrences.fieldIndex(QStringLiteral("DSOCORR"));
    const int group = occurrences.fieldIndex(QStringLiteral("CDGRPOCOR"));
    const int product = occurrences.fieldIndex(QStringLiteral("CDPRODUTO"));
    const int control = occurrences.fieldIndex(QStringLiteral("IDCONTROLAOBS"));
    if (!choice.rows.isEmpty() && code < 0)
        throw HostError(
            QStringLiteral("Observação: a lista de ocorrências não tem o campo CDOCORR"));

    QStringList texts;
    QString groupCode;
    QSet<int> seen;
    for (const int r : choice.rows) {
        if (r < 0 || r >= occurrences.rows.size())
            throw HostError(
                QStringLiteral("Observação: a ocorrência %1 não existe (a lista tem %2)")
                    .arg(r + 1)
                    .arg(occurrences.rows.size()));
        if (seen.contains(r))
            continue;
        seen.insert(r);
        const Row& row = occurrences.rows.at(r);
        const QString g = valueOf(row, group);
        if (seen.size() == 1)
            groupCode = g;
        else if (g != groupCode)
            throw HostError(
                QStringLiteral("Observação: ocorrências de grupos diferentes (%1 e %2) não podem "
                               "ser escolhidas juntas")
                    .arg(groupCode, g));
        const QString occurrence = valueOf(row, code);
        chosen.rows.append(Row{occurrence});
        controlled.rows.append(Row{valueOf(row, control), valueOf(row, product), occurrence});
        const QString d = valueOf(row, description).trimmed();
        texts << (d.isEmpty() ? occurrence : d);
    }
    const QString typed = choice.typed.trimmed();
    if (!typed.isEmpty())
        texts << typed;

    answer[0] = groupCode;
    answer[2] = QVariant::fromValue(chosen);
    answer[3] = typed;
    answer[4] = QVariant::fromValue(controlled);
    return texts.join(QStringLiteral(", "));
}

void fillCouponAnswer(const std::optional<QString>& code, HostAnswer& answer)
{
    answer = HostAnswer{};
    // Whole: a code cut to ten characters may be another coupon.
    answer[4] = code ? code->trimmed() : QString();
}

DataPacket visibleRows(DataSet& dataset)
{
    DataPacket out;
    out.fields = dataset.fields();
    if (!dataset.isActive())
        return out;
    const int keep = dataset.recNo();
    for (dataset.first(); !dataset.eof(); dataset.next()) {
        Row row;
        row.reserve(out.fields.size());
        for (const FieldDef& f : out.fields)
            row.append(dataset.value(f.name));
        out.rows.append(row);
    }
    if (keep > 0)
        dataset.setRecNo(keep);
    return out;
}

}  // namespace kvp::refhost
