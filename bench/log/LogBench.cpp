// Log benchmarks, each beside a baseline measured in the same run:
//  - 100,000 AddLine calls on the model with realistic lines (the goal: well under
//    a second) vs. copying the same bytes into a std::string;
//  - one full repaint of a maximised log of 2,001 three-segment lines vs. filling
//    and copying the same off-screen frame without text;
//  - a thousand AddLine calls on the shown window vs. on the bare model.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/CString.h"
#include "log/LogModel.h"
#include "log/TextWnd.h"

namespace veltmoor {
namespace {

// About 80 bytes each; every third line carries colour codes as the checks write them.
std::vector<std::string> RealisticLines(size_t count) {
    static const char* const kTables[] = {"ACCOUNTS", "SETTINGS", "QUOTAS", "RATIOS", "FOLDERS", "GROUPS"};
    static const char* const kColumns[] = {"ACCOUNT_ID", "SETTINGS_ID", "QUOTA_BYTES", "RATIO_UP", "FOLDER_PATH"};
    std::mt19937 rng(1711);
    std::vector<std::string> lines;
    lines.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const char* table = kTables[rng() % 6];
        const char* column = kColumns[rng() % 5];
        std::string line;
        switch (i % 3) {
        case 0:
            line = Format("\x03" "04Missing default on column %s.%s in the database schema\x03" " - FIXED", table,
                          column);
            break;
        case 1:
            line = Format("-- Checking Account [user%05u] in table %s, column %s of the account --",
                          static_cast<unsigned>(rng() % 100000), table, column);
            break;
        default:
            line = Format("Table %s: index IX_%s_%s exists and matches its description\t(ok)", table, table, column);
            break;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

const std::vector<std::string>& Lines() {
    static const std::vector<std::string> lines = RealisticLines(4096);
    return lines;
}

size_t TotalBytes(const std::vector<std::string>& lines) {
    size_t n = 0;
    for (const auto& l : lines) n += l.size();
    return n;
}

void Rates(benchmark::State& state, size_t linesPerIter, size_t bytesPerIter) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * linesPerIter));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesPerIter));
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * linesPerIter), benchmark::Counter::kIsRate);
}

constexpr size_t kCalls = 100000;

// (a) 100,000 AddLine calls: parsing and storing, trimming included (the store
// stays at 1,001..2,001 lines).
void BM_HundredThousandAddLine(benchmark::State& state) {
    const auto& lines = Lines();
    LogModel model;
    for (auto _ : state) {
        for (size_t i = 0; i < kCalls; ++i) benchmark::DoNotOptimize(model.AddLine(lines[i % lines.size()]));
    }
    Rates(state, kCalls, kCalls * TotalBytes(lines) / lines.size());
}
BENCHMARK(BM_HundredThousandAddLine)->Unit(benchmark::kMillisecond);

void BM_Baseline_HundredThousandCopies(benchmark::State& state) {
    const auto& lines = Lines();
    for (auto _ : state) {
        for (size_t i = 0; i < kCalls; ++i) {
            const std::string& line = lines[i % lines.size()];
            std::string copy(line.data(), line.size());
            benchmark::DoNotOptimize(copy.data());
            benchmark::ClobberMemory();
        }
    }
    Rates(state, kCalls, kCalls * TotalBytes(lines) / lines.size());
}
BENCHMARK(BM_Baseline_HundredThousandCopies)->Unit(benchmark::kMillisecond);

// A maximised log: 1920 x 1080 client area.
constexpr int kClientWidth = 1920;
constexpr int kClientHeight = 1080;

std::string ThreeSegmentLine(int i) {
    return Format("\x03" "04,01Table ACCOUNTS row %05d " "\x03" "03column SETTINGS_ID matches " "\x03"
                  "08,02index PrimaryKey - FIXED",
                  i);
}

struct ShownLog {
    QWidget parent;
    CTextWnd wnd;
    ShownLog() {
        parent.resize(kClientWidth + 40, kClientHeight + 40);
        wnd.Create(&parent, QRect(0, 0, kClientWidth + 4, kClientHeight + 4), 6435);
        parent.show();
        QApplication::processEvents();
    }
};

// (b) One whole repaint: compose every visible row off-screen and copy it once.
void BM_RepaintMaximised(benchmark::State& state) {
    ShownLog log;
    for (int i = 0; i < 2001; ++i) log.wnd.AddLine(ThreeSegmentLine(i));
    log.wnd.OnVScroll(CTextWnd::SB_TOP);
    QApplication::processEvents();
    for (auto _ : state) log.wnd.viewport()->repaint();
    state.counters["rows"] = log.wnd.viewport()->height() / log.wnd.LineHeight();
    state.counters["viewport_w"] = log.wnd.viewport()->width();
    state.counters["viewport_h"] = log.wnd.viewport()->height();
}
BENCHMARK(BM_RepaintMaximised)->Unit(benchmark::kMillisecond);

// The frame without text: fill the same image and copy it to the window once.
class BaselineFrame : public QWidget {
public:
    void paintEvent(QPaintEvent*) override {
        if (image_.size() != size()) image_ = QImage(size(), QImage::Format_RGB32);
        {
            QPainter mem(&image_);
            mem.fillRect(rect(), QColor(0, 0, 64));
        }
        QPainter p(this);
        p.drawImage(0, 0, image_);
    }

private:
    QImage image_;
};

void BM_Baseline_RepaintEmptyFrame(benchmark::State& state) {
    QWidget parent;
    parent.resize(kClientWidth + 40, kClientHeight + 40);
    BaselineFrame frame;
    frame.setParent(&parent);
    frame.setGeometry(0, 0, kClientWidth, kClientHeight);
    frame.setAttribute(Qt::WA_OpaquePaintEvent);
    parent.show();
    QApplication::processEvents();
    for (auto _ : state) frame.repaint();
}
BENCHMARK(BM_Baseline_RepaintEmptyFrame)->Unit(benchmark::kMillisecond);

// (c) A thousand lines written into the shown window, then the one paint that follows.
void BM_ThousandAddLineShown(benchmark::State& state) {
    const auto& lines = Lines();
    ShownLog log;
    size_t next = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) log.wnd.AddLine(lines[next++ % lines.size()]);
        QApplication::processEvents();
    }
    Rates(state, 1000, 0);
}
BENCHMARK(BM_ThousandAddLineShown)->Unit(benchmark::kMillisecond);

void BM_Baseline_ThousandAddLineModel(benchmark::State& state) {
    const auto& lines = Lines();
    LogModel model;
    size_t next = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) benchmark::DoNotOptimize(model.AddLine(lines[next++ % lines.size()]));
    }
    Rates(state, 1000, 0);
}
BENCHMARK(BM_Baseline_ThousandAddLineModel)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veltmoor
