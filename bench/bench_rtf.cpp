// The notes file: a 1 MB RTF note with mixed formatting (fonts, sizes,
// bold, italic, underline, colours, bullets, Cyrillic in \uN and \'hh)
// loaded into the editor and saved from it. Also the parts: the reader and
// the writer alone, and the snapshot the autosave takes on the GUI thread
// (the only part of a save that can hold up a keystroke).
//
//   cmake -B build -DOSTREL_BUILD_BENCHMARKS=ON && cmake --build build --target bench_rtf
//   QT_QPA_PLATFORM=offscreen build/bench/bench_rtf

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>
#include <string>

#include "core/notes/rtf_reader.h"
#include "core/notes/rtf_writer.h"
#include "notes/notes_file.h"
#include "notes/rtf_text_document.h"

using namespace ostrel;

namespace {

// About 1 MB of RTF as word processors write it.
const std::string& mixedRtf() {
    static const std::string rtf = [] {
        std::string s =
            "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}{\\f1\\froman\\fcharset0 "
            "Times New Roman;}{\\f2\\fmodern\\fcharset0 Courier New;}{\\f3\\fnil\\fcharset2 Symbol;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;}\r\n"
            "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
        int i = 0;
        while (s.size() < 1024 * 1024) {
            ++i;
            if (i % 7 == 0) {
                s +=
                    "\\pard{\\pntext\\f3\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf3\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li720 ";
            } else if (i % 7 == 1) {
                s += "\\pard ";
            }
            s += "Paragraph " + std::to_string(i) +
                 " has \\b bold\\b0 , \\i italic\\i0  and \\ul underlined\\ulnone  "
                 "words, \\cf" +
                 std::to_string(1 + i % 3) + " a colour\\cf0 , \\f1\\fs" + std::to_string(20 + i % 12) +
                 " another font\\f0\\fs20 , Cyrillic \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 and \\u1084?\\u1080?\\u1088?,"
                 "\\tab a tab\\line and a line break.\\par\r\n";
        }
        s += "}\r\n";
        return s;
    }();
    return rtf;
}

void BM_ReadRtf(benchmark::State& state) {
    const std::string& rtf = mixedRtf();
    for (auto _ : state) benchmark::DoNotOptimize(rtf::read(rtf));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

void BM_WriteRtf(benchmark::State& state) {
    const rtf::Document doc = rtf::read(mixedRtf()).document;
    for (auto _ : state) benchmark::DoNotOptimize(rtf::write(doc));
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);

// The whole load as at start-up: the file's bytes into the editor's
// document (the editor holds only its designed line before).
void BM_LoadIntoEditor(benchmark::State& state) {
    const QByteArray bytes = QByteArray::fromStdString(mixedRtf());
    int blocks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto editor = std::make_unique<QTextEdit>();
        editor->setPlainText(QStringLiteral("Editor"));
        state.ResumeTiming();
        readRtf(*editor->document(), bytes);
        state.PauseTiming();
        blocks = editor->document()->blockCount();
        editor.reset();
        state.ResumeTiming();
    }
    state.counters["blocks"] = blocks;
}
BENCHMARK(BM_LoadIntoEditor)->Unit(benchmark::kMillisecond);

// The model into a fresh document no view shows (no layout), as at
// start-up; the previous document goes away outside the timing.
void BM_LoadIntoDocument(benchmark::State& state) {
    const rtf::Document model = rtf::read(mixedRtf()).document;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<QTextDocument>();
        state.ResumeTiming();
        setRtfModel(*doc, model);
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadIntoDocument)->Unit(benchmark::kMillisecond);

// The whole save: the editor's document to the file, replaced atomically.
void BM_SaveFromEditor(benchmark::State& state) {
    QTextDocument doc;
    readRtf(doc, QByteArray::fromStdString(mixedRtf()));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pockerbook.rtf"));
    qint64 size = 0;
    for (auto _ : state) {
        const QByteArray rtf = writeRtf(doc);
        size = rtf.size();
        writeFileAtomically(path, rtf);
    }
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_SaveFromEditor)->Unit(benchmark::kMillisecond);

// A whole conversion of the document (what a save without the cache of
// converted paragraphs would do on the GUI thread).
void BM_FullConversion(benchmark::State& state) {
    QTextDocument doc;
    readRtf(doc, QByteArray::fromStdString(mixedRtf()));
    for (auto _ : state) benchmark::DoNotOptimize(rtfModelOf(doc));
}
BENCHMARK(BM_FullConversion)->Unit(benchmark::kMillisecond);

// What the autosave does on the GUI thread after some typing: a snapshot
// that converts only the changed paragraph.
void BM_AutosaveSnapshot(benchmark::State& state) {
    QTextEdit editor;
    QTextDocument& doc = *editor.document();
    readRtf(doc, QByteArray::fromStdString(mixedRtf()));
    RtfSnapshots snapshots(&doc);
    snapshots.take();
    QTextCursor c(&doc);
    c.setPosition(doc.characterCount() / 2);
    for (auto _ : state) {
        state.PauseTiming();
        c.insertText(QStringLiteral("x"));
        state.ResumeTiming();
        benchmark::DoNotOptimize(snapshots.take());
    }
}
BENCHMARK(BM_AutosaveSnapshot)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
