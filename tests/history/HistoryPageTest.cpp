// The History tab on a recorded history: the list sorted and filtered, one firing's curve and
// several overlaid from their starts, CSV with a point under a decimal-comma locale, a
// deletion only after Yes, a note kept.
#include "HistoryPage.h"
#include "HistoryRig.h"
#include "FakeTexts.h"
#include "TestFiles.h"
#include "TestServices.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <qcustomplot.h>

namespace {

struct Firing {
    const char* program;
    const char* kiln;
    double peak;
    int cycles;
};
constexpr Firing kFirings[] = {{"Bisque.prg", "Big.ovn", 95, 30}, {"Glaze.prg", "Big.ovn", 1000.5, 50},
                               {"Bisque.prg", "Small.ovn", 200, 40}};

struct HistoryTab : ::testing::Test {
    QTemporaryDir dir;
    QString path;
    FakeTexts texts;
    FakeDialogs dialogs;
    std::unique_ptr<HistoryPage> page;

    void SetUp() override
    {
        path = dir.path() + "/Data/firings.sqlite";
        RecorderRig rig(path);
        ReportMaker make;
        rig.wall = [&make] { return make.start.addSecs(qint64(make.seconds)); };
        for (const Firing& f : kFirings) {
            rig.facts.program = f.program;
            rig.facts.kilnFile = f.kiln;
            for (int i = 0; i < f.cycles; ++i)
                rig.recorder->cycleReported(make.make(1, 1, f.peak * (i + 1) / f.cycles, f.peak, 100, 60));
            rig.recorder->cycleReported(make.make(4, 1, f.peak - 1, std::nullopt, 0, 60));
            make.start = make.start.addDays(1);
        }
        rig.settle();
        page = std::make_unique<HistoryPage>(path, texts, dialogs);
        page->resize(900, 600);
        page->reload();
    }

    QStringList column(int c) const
    {
        QStringList values;
        for (int row = 0; row < page->table->model()->rowCount(); ++row)
            values << page->table->model()->index(row, c).data().toString();
        return values;
    }
    void selectRows(const std::vector<int>& rows)
    {
        std::vector<qint64> ids;
        for (int row : rows)
            ids.push_back(page->table->model()->index(row, 0).data(Qt::UserRole + 1).toLongLong());
        page->select(ids);
    }
};

}  // namespace

TEST_F(HistoryTab, TheListSortsByValueAndFiltersByProgramAndKiln)
{
    struct Case {
        QString program, kiln;
        int rows;
    };
    const Case cases[] = {{"", "", 3}, {"Bisque.prg", "", 2}, {"", "Big.ovn", 2}, {"Bisque.prg", "Small.ovn", 1},
                          {"Glaze.prg", "Small.ovn", 0}};
    for (const Case& c : cases) {
        page->programFilter->setCurrentIndex(page->programFilter->findData(c.program));
        page->kilnFilter->setCurrentIndex(page->kilnFilter->findData(c.kiln));
        EXPECT_EQ(page->table->model()->rowCount(), c.rows) << c.program.toStdString() << " " << c.kiln.toStdString();
    }
    page->programFilter->setCurrentIndex(0);
    page->kilnFilter->setCurrentIndex(0);
    // Peaks sort as numbers, not as text ("1000" before "200" before "95").
    page->table->sortByColumn(4, Qt::AscendingOrder);
    EXPECT_EQ(column(1), QStringList({"Bisque.prg", "Bisque.prg", "Glaze.prg"}));
    EXPECT_TRUE(column(4)[0].startsWith("95"));
    page->table->sortByColumn(5, Qt::DescendingOrder);  // duration: the longest first
    EXPECT_EQ(column(1)[0], "Glaze.prg");
    // Outcome and energy as the record holds them.
    EXPECT_EQ(column(3), QStringList({"<HistoryFinished>", "<HistoryFinished>", "<HistoryFinished>"}));
}

TEST_F(HistoryTab, OneFiringShowsItsCurveAndSeveralOverlayFromTheirStarts)
{
    page->table->sortByColumn(0, Qt::AscendingOrder);
    struct Case {
        std::vector<int> rows;
        int graphs;
        std::vector<int> points;  // of the kiln graphs
    };
    const Case cases[] = {{{1}, 3, {51}}, {{0, 1}, 2, {31, 51}}, {{0, 1, 2}, 3, {31, 51, 41}}};
    for (const Case& c : cases) {
        selectRows(c.rows);
        ASSERT_EQ(page->chart->graphCount(), c.graphs) << c.rows.size();
        for (std::size_t n = 0; n < c.points.size(); ++n) {
            const auto data = page->chart->graph(int(n))->data();
            ASSERT_EQ(data->size(), c.points[n]) << n;
            EXPECT_DOUBLE_EQ(data->begin()->key, 0) << n;  // each from its own start
            EXPECT_NEAR((data->end() - 1)->key, c.points[n] * 60 / 3600.0 - 1 / 60.0, 1e-9) << n;
        }
    }
    EXPECT_FALSE(page->HistoryExport->isEnabled());  // export and delete take one firing
}

TEST_F(HistoryTab, ExportWritesCsvWithAPointAndDeletingAsksFirst)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    page->table->sortByColumn(0, Qt::AscendingOrder);
    selectRows({1});
    dialogs.fileAnswer = dir.path() + "/glaze.csv";
    page->exportSelected();
    QLocale::setDefault(before);
    const QList<QByteArray> lines = readBytes(dialogs.fileAnswer).split('\n');
    ASSERT_EQ(lines.size(), 1 + 51 + 1);
    EXPECT_EQ(lines[0], QString("seconds,kiln °C,set point °C,power %,outside °C,channel top °C,channel 3 °C\r").toUtf8());
    EXPECT_EQ(lines[1], "0.0,20.0,1000.5,100,21.5,17.0,20.0\r");
    EXPECT_EQ(lines[51], "3000.0,999.5,,0,21.5,996.5,20.0\r");

    dialogs.yesNoAnswer = false;
    page->deleteSelected();
    EXPECT_EQ(firingsIn(path).size(), 3u);
    dialogs.yesNoAnswer = true;
    page->deleteSelected();
    const auto left = firingsIn(path);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].facts.program, "Bisque.prg");
    EXPECT_EQ(left[1].facts.program, "Bisque.prg");
    EXPECT_TRUE(curveOf(path, 2).empty());
    EXPECT_EQ(page->table->model()->rowCount(), 2);
    EXPECT_EQ(dialogs.asked.filter("yesno:").size(), 2);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
}

TEST_F(HistoryTab, ANoteEditedInTheListIsKept)
{
    page->table->sortByColumn(0, Qt::AscendingOrder);
    QAbstractItemModel* m = page->table->model();
    ASSERT_TRUE(m->setData(m->index(2, 8), "cone 06, shelf cracked"));
    EXPECT_EQ(firingsIn(path)[2].note, "cone 06, shelf cracked");
    page->reload();
    EXPECT_EQ(column(8)[2], "cone 06, shelf cracked");
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
}

TEST(HistoryTabWear, TheTabPlotsTheKilnsHeatingRatesAndSaysWhenTheyHaveDropped)
{
    struct Case {
        const char* name;
        double lastRates;  // of the last three firings; the first five heat at 150 °/h
        bool wearing;
    };
    const Case cases[] = {{"a fifth slower", 120, true}, {"as before", 148, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/firings.sqlite";
        {
            HistoryStore store(path, "wear-writer");
            QString moved;
            store.openForWriting(&moved);
            FiringFacts facts;
            FiringFigures g;
            for (int n = 0; n < 9; ++n) {
                facts.kilnFile = n == 8 ? "Other.ovn" : "Big.ovn";  // another kiln is not compared
                g.startWall = QDateTime(QDate(2026, 1, 1 + n), QTime(8, 0));
                g.heatingRate = n < 5 ? 150 : n == 8 ? 10 : c.lastRates;
                store.update(store.begin(facts, g), g, Outcome::Finished, {});
            }
        }
        FakeTexts texts;
        FakeDialogs dialogs;
        HistoryPage page(path, texts, dialogs);
        page.reload();
        page.select({1});
        ASSERT_EQ(page.wearChart->graphCount(), 1);
        EXPECT_EQ(page.wearChart->graph(0)->data()->size(), 8);
        EXPECT_EQ(page.wearText->text() == "<HistoryWearing>", c.wearing) << page.wearText->text().toStdString();
    }
}
