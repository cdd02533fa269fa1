#include "cListHandler.h"
#include "cRatioReporter.h"

#include <QApplication>
#include <QTableWidget>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

// Filling a list of 2000 rows x 7 columns and reading it back, through the list wrapper the
// window uses, through the sheet model directly, and (the baseline) through a plain QTableWidget.
namespace {
constexpr int intRows = 2000;
constexpr int intCols = 7;

QVariant cellValue(int r, int c)
{
    if (c == 3)
        return 10.0 + r % 97;
    if (c == 6)
        return QString(QChar(r % 3 ? chrChecked : chrUnchecked));
    return QStringLiteral("Item %1/%2").arg(r).arg(c);
}

void BM_QTableWidget(benchmark::State& state)
{
    for (auto _ : state) {
        QTableWidget table(intRows + 1, intCols);
        for (int r = 1; r <= intRows; ++r) {
            for (int c = 0; c < intCols; ++c) {
                auto* item = new QTableWidgetItem;
                item->setData(Qt::EditRole, cellValue(r, c));
                table.setItem(r, c, item);
            }
        }
        qint64 n = 0;
        for (int r = 1; r <= intRows; ++r) {
            for (int c = 0; c < intCols; ++c)
                n += table.item(r, c)->data(Qt::EditRole).isValid();
        }
        benchmark::DoNotOptimize(n);
    }
}

void BM_cListHandler(benchmark::State& state)
{
    QStringList addresses;
    for (int r = 1; r <= intRows; ++r) {
        for (int c = 0; c < intCols; ++c)
            addresses.append(cSheetRange::Cell(r, c).fncAddress(false));
    }
    for (auto _ : state) {
        // Placing the list on a window is not part of filling it.
        state.PauseTiming();
        auto form = std::make_unique<QWidget>();
        auto lst = std::make_unique<cListHandler>();
        lst->AddToForm(form.get());
        state.ResumeTiming();
        lst->EditMode(true);
        int i = 0;
        for (int r = 1; r <= intRows; ++r) {
            for (int c = 0; c < intCols; ++c)
                lst->SetValue(addresses.at(i++), cellValue(r, c));
        }
        lst->EditMode(false);
        qint64 n = 0;
        i = 0;
        for (int r = 1; r <= intRows; ++r) {
            for (int c = 0; c < intCols; ++c)
                n += lst->GetValue(addresses.at(i++), 8).toString().size();
        }
        benchmark::DoNotOptimize(n);
        state.PauseTiming();
        lst.reset();
        form.reset();
        state.ResumeTiming();
    }
}

void BM_cSheetModel(benchmark::State& state)
{
    for (auto _ : state) {
        cSheet sheet;
        cSheetModel* m = sheet.Sheet();
        for (int r = 1; r <= intRows; ++r) {
            for (int c = 0; c < intCols; ++c)
                m->SetCellValue(r, c, cellValue(r, c));
        }
        qint64 n = 0;
        for (int r = 1; r <= intRows; ++r) {
            for (int c = 0; c < intCols; ++c)
                n += m->Value(r, c).isValid();
        }
        benchmark::DoNotOptimize(n);
    }
}

// A block of 2000 rows copied from a spreadsheet: name, category, super-category, rate and the
// check mark, the columns the list shows.
constexpr int intPasteCols = 5;
QString pasteCell(int r, int c)
{
    if (c == 3)
        return QString::number(10 + r % 97) + QStringLiteral(",5");
    if (c == 4)
        return r % 3 ? QStringLiteral("\u2611") : QStringLiteral("\u2610");
    return QStringLiteral("Item %1/%2").arg(r).arg(c);
}

QString pasteText()
{
    QString text;
    for (int r = 1; r <= intRows; ++r) {
        for (int c = 0; c < intPasteCols; ++c)
            text
                += pasteCell(r, c) + (c + 1 < intPasteCols ? QLatin1Char('\t') : QLatin1Char('\n'));
    }
    return text;
}

void BM_QTableWidgetPasteCells(benchmark::State& state)
{
    for (auto _ : state) {
        QTableWidget table(intRows + 1, intPasteCols);
        for (int r = 1; r <= intRows; ++r) {
            for (int c = 0; c < intPasteCols; ++c)
                table.setItem(r, c, new QTableWidgetItem(pasteCell(r, c)));
        }
        benchmark::DoNotOptimize(table.item(intRows, 0));
    }
}

// The paste of 2000 rows into an empty list laid out as the window lays it out, and its undo.
void BM_PasteAndUndo(benchmark::State& state)
{
    const QString text = pasteText();
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<QWidget>();
        auto lst = std::make_unique<cListHandler>();
        lst->AddToForm(form.get());
        lst->SetVisibleRange(QStringLiteral("A1:G2200"));
        lst->LockRange(QStringLiteral("A2:G2200"), true);
        lst->SetTextFormat(QStringLiteral("A2:C2200"));
        lst->SetDecimalFormat(QStringLiteral("D2:D2200"));
        lst->SetColumnWidth(QStringLiteral("E:F"), 0);
        lst->SetCheckedColumn(QStringLiteral("G2:G2200"));
        cSheet& sheet = *lst->ObjectList;
        sheet.setCurrentIndex(sheet.Sheet()->index(1, 0));
        state.ResumeTiming();
        if (!sheet.fncUserPaste(text))
            state.SkipWithError("the paste was refused");
        sheet.UndoStack().undo();
        benchmark::DoNotOptimize(sheet.Sheet()->isCellEmpty(intRows, 0));
        state.PauseTiming();
        lst.reset();
        form.reset();
        state.ResumeTiming();
    }
}
} // namespace

BENCHMARK(BM_QTableWidget)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_cListHandler)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_cSheetModel)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_QTableWidgetPasteCells)->Apply(cRatioReporter::MedianOfSeven);
BENCHMARK(BM_PasteAndUndo)->Apply(cRatioReporter::MedianOfSeven);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    cRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_cListHandler", "BM_QTableWidget",
        "cListHandler fill 2000x7 and read back vs QTableWidget", 2);
    reporter.PrintRatio(
        "BM_cSheetModel", "BM_QTableWidget", "  the sheet model alone vs QTableWidget", 2);
    reporter.PrintRatio("BM_PasteAndUndo", "BM_QTableWidgetPasteCells",
        "paste of 2000 rows and its undo vs filling QTableWidget with the same cells", 2);
    benchmark::Shutdown();
    return 0;
}
