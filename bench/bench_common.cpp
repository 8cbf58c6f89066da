// The dataset work behind one product touch: filter the items on a group and count them,
// locate a line, append a line, take the packet the host receives, and read the host's
// parameter file. Sizes are those of a busy sale (a few dozen lines).

#include "dataset.h"
#include "itemrecord.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

using namespace kvp;

namespace {

DataSet items(int lines)
{
    DataSet ds(QStringLiteral("cdsItemProd"), records::itemProd());
    for (int i = 1; i <= lines; ++i) {
        ds.append();
        ds.setValue(QStringLiteral("CDPRODUTO"), QStringLiteral("P%1").arg(i));
        ds.setValue(QStringLiteral("NRSEQ"), QString::number(i));
        ds.setValue(QStringLiteral("NRSEQ_ORD"), i);
        ds.setValue(QStringLiteral("CDGRUPROMOC"), QStringLiteral("G%1").arg(i % 5));
        ds.setValue(QStringLiteral("VRUNVENDAEST"), 3.5 + i);
        ds.setValue(QStringLiteral("QTPRODVALIDA"), 1.0);
        ds.post();
    }
    return ds;
}

void FilterGroupAndSumQuantity(benchmark::State& state)
{
    DataSet ds = items(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ds.applyFilter(Filter::eq(QStringLiteral("CDGRUPROMOC"), QStringLiteral("G3")));
        double sum = 0;
        for (ds.first(); !ds.eof(); ds.next())
            sum += ds.asFloat(QStringLiteral("QTPRODVALIDA"));
        ds.clearFilter();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(FilterGroupAndSumQuantity)->Arg(10)->Arg(50)->Arg(200);

void ParsedTextFilter(benchmark::State& state)
{
    DataSet ds = items(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ds.applyFilter(Filter::parse(QStringLiteral("CDGRUPMUTEX = 'M1' AND CDGRUPROMOC = 'G3'")));
        benchmark::DoNotOptimize(ds.recordCount());
        ds.clearFilter();
    }
}
BENCHMARK(ParsedTextFilter)->Arg(50);

void LocateLine(benchmark::State& state)
{
    DataSet ds = items(static_cast<int>(state.range(0)));
    const int last = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ds.locate(QStringLiteral("NRSEQ"), QString::number(last)));
}
BENCHMARK(LocateLine)->Arg(10)->Arg(50)->Arg(200);

void AppendLine(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        DataSet ds = items(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        ds.append();
        ds.setValue(QStringLiteral("CDPRODUTO"), QStringLiteral("NEW"));
        ds.setValue(QStringLiteral("NRSEQ"), QStringLiteral("999"));
        ds.post();
    }
}
BENCHMARK(AppendLine)->Arg(50);

void PacketHandBack(benchmark::State& state)
{
    DataSet ds = items(static_cast<int>(state.range(0)));
    DataSet host(QStringLiteral("host"));
    for (auto _ : state) {
        host.setData(ds.data());
        host.addIndex(QStringLiteral("NRSEQ_ORD"), QStringLiteral("NRSEQ_ORD"), true);
        host.setIndexName(QStringLiteral("NRSEQ_ORD"));
        benchmark::DoNotOptimize(host.recordCount());
    }
}
BENCHMARK(PacketHandBack)->Arg(50);

void PacketFileRoundTrip(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PARAMETROSQMT.CDS"));
    items(static_cast<int>(state.range(0))).data().saveToFile(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(DataPacket::loadFromFile(path).rows.size());
}
BENCHMARK(PacketFileRoundTrip)->Arg(1)->Arg(200);

}  // namespace

BENCHMARK_MAIN();
