// Saving and opening a full 400000-character data file through the document's serialisation
// and the framework's archive, in memory and on disc.
#include "Archive.h"
#include "KorvaDoc.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// 79-character lines and the end marker, filling the buffer as far as a load can.
void FillFullBuffer(CKorvaDoc& doc)
{
    int32_t p = 0;
    while (p < CKorvaDoc::kLoadLimit - 100) {
        for (int i = 0; i < 79; ++i, ++p)
            doc.m_data[p] = static_cast<char>('0' + (p % 75));
        doc.m_data[p++] = CKorvaDoc::kCR;
    }
    for (char c : std::string("DATA END________\r\r"))
        doc.m_data[p++] = c;
    doc.m_nDataSize = p;
}

QByteArray StoreToMemory(CKorvaDoc& doc)
{
    QByteArray bytes;
    QBuffer file(&bytes);
    file.open(QIODevice::WriteOnly);
    framework::CArchive ar(file, framework::CArchive::store);
    doc.Serialize(ar);
    ar.Flush();
    return bytes;
}

void BM_StoreFullBuffer(benchmark::State& state)
{
    auto doc = std::make_unique<CKorvaDoc>();
    FillFullBuffer(*doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(StoreToMemory(*doc));
    state.SetBytesProcessed(state.iterations() * doc->m_nDataSize);
}

void BM_LoadFullBuffer(benchmark::State& state)
{
    auto doc = std::make_unique<CKorvaDoc>();
    FillFullBuffer(*doc);
    QByteArray bytes = StoreToMemory(*doc);
    for (auto _ : state) {
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        framework::CArchive ar(file, framework::CArchive::load);
        doc->Serialize(ar);
        if (ar.Failed() || doc->m_nDataSize == 0)
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_SaveAndOpenFileOnDisc(benchmark::State& state)
{
    auto doc = std::make_unique<CKorvaDoc>();
    FillFullBuffer(*doc);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.txt"));
    for (auto _ : state) {
        if (!doc->OnSaveDocument(path) || !doc->OnOpenDocument(path))
            state.SkipWithError("file round trip failed");
    }
}

}  // namespace

BENCHMARK(BM_StoreFullBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFullBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAndOpenFileOnDisc)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
