// veldrant_logbook_screenshots: fills a logbook in a temporary folder with the simulated
// watch's sample and two seasons of made-up cards, shows the logbook window and saves its
// rounds list, its statistics and its par editor into a folder (scripts/screenshots.sh).
// With --bench it prints how long the window takes to show the list of ten years of golf.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <random>

#include "app/QtTranslation.h"
#include "app/logbook/LogbookWindow.h"
#include "app/logbook/ParEditor.h"
#include "bench/marks_synthetic.h"
#include "logbook/Logbook.h"
#include "marks/MarkExport.h"
#include "rounds/RoundReader.h"
#include "sim/MarkSample.h"
#include "tests/logbook/LogbookFiles.h"

namespace {

namespace t = veldrant::logbook::test;

// Player 1's card with the given strokes and putts per hole, the other slots empty.
std::string Card(const std::array<int, 18>& strokes, const std::array<int, 18>& putts) {
    std::string lines;
    for (int player = 0; player < 4; ++player)
        for (int nine = 0; nine < 2; ++nine) {
            lines += player == 0 ? t::Q("YT") : t::Q(std::string("\0\0", 2));
            lines += "," + t::Q(std::to_string(7 + nine));
            for (int h = nine * 9; h < nine * 9 + 9; ++h)
                lines += player == 0 ? "," + t::Q(std::to_string(strokes[h])) + "," +
                                           t::Q(std::to_string(putts[h]))
                                     : std::string(",\"0\",\"0\"");
            lines += "\r\n";
        }
    return lines;
}

// Two seasons at two golf courses, a golfer slowly getting better.
std::string Seasons() {
    std::mt19937 random(7);
    std::vector<t::Session> sessions;
    for (int i = 0; i < 48; ++i) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2015 + i / 24, 4 + i % 24 / 3,
                      1 + i % 3 * 9);
        std::array<int, 18> strokes{}, putts{};
        for (int h = 0; h < 18; ++h) {
            putts[h] =
                1 + static_cast<int>(random() % 100 < 55) + static_cast<int>(random() % 100 < 12);
            strokes[h] = putts[h] + 2 +
                         static_cast<int>(static_cast<int>(random() % 100) < 70 - i / 2) +
                         static_cast<int>(random() % 100 < 25) - static_cast<int>(h % 6 == 2);
        }
        const bool west = i % 3 == 0;
        sessions.push_back({date,
                            west ? 2201 : 1234,
                            west ? "西が丘カントリー倶楽部" : "テストGC",
                            t::Marks(36),
                            {Card(strokes, putts)}});
    }
    return t::File(sessions);
}

bool Save(QWidget& window, const QString& path) {
    QTest::qWait(300);
    QPixmap picture = window.windowHandle()->screen()->grabWindow(window.winId());
    if (picture.isNull())
        picture = window.grab();
    if (!picture.save(path)) {
        std::fprintf(stderr, "veldrant_logbook_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The mark export's 2 000 synthetic rounds in a logbook; the window from its start until its
// list is painted.
int Bench() {
    using namespace veldrant;
    QTemporaryDir temp;
    const std::string path = temp.filePath("logbook.sqlite3").toStdString();
    const std::string csv =
        "\xEF\xBB\xBF" + marks::ExportMarkSetToString(bench::BuildSet(), bench::BuildScores());
    logbook::Logbook::Open(path, logbook::Logbook::Mode::Write)
        ->Add(rounds::ReadRounds(csv).file, "bench.csv");
    const auto start = std::chrono::steady_clock::now();
    app::CLogbookWindow window;
    window.show();
    window.OpenLogbook(path);
    window.RoundList()->viewport()->repaint();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("logbook window: %d rounds listed and painted in %.1f ms (target < 300 ms)\n",
                window.RoundList()->model()->rowCount(), ms);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace veldrant;
    QApplication app(argc, argv);
    app::InstallQtTranslation(app);
    if (argc == 2 && std::string(argv[1]) == "--bench")
        return Bench();
    if (argc != 2) {
        std::fprintf(stderr, "Usage: veldrant_logbook_screenshots FOLDER | --bench\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir temp;
    if (!folder.mkpath(".") || !temp.isValid())
        return 1;
    const std::string path = temp.filePath("logbook.sqlite3").toStdString();
    {
        auto book = logbook::Logbook::Open(path, logbook::Logbook::Mode::Write);
        book->Add(rounds::ReadRounds(Seasons()).file, "seasons.csv");
        auto data = sim::EncodeSample(sim::GenerateMarkSample());
        std::string sample = "\xEF\xBB\xBF";
        for (const auto& set : data.sets)
            sample += marks::ExportMarkSetToString(set, data.score);
        book->Add(rounds::ReadRounds(sample).file, "sample.csv");
        // Par on the made-up golf course's first nine.
        for (int h = 1; h <= 9; ++h)
            book->SetHole({1234, 0, h}, h % 6 == 3 ? 3 : h % 4 == 1 ? 5 : 4, 2 * h - 1);
        book->SetRating({1234, 0}, logbook::NineRating{35.4, 124});
    }

    app::CLogbookWindow window;
    window.resize(1180, 780);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 5000) || !window.OpenLogbook(path))
        return 1;
    bool ok = true;
    // A round of the sample, its second hole.
    // A round of the sample (with its card), its seventh hole.
    QAbstractItemModel* list = window.RoundList()->model();
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->index(row, app::CLogbookWindow::kDate).data() == "2016-05-04" &&
            list->index(row, app::CLogbookWindow::kStart).data() == "07:45")
            window.RoundList()->selectRow(row);
    window.HoleTable()->selectRow(6);
    ok &= Save(window, folder.filePath("logbook-list.png"));
    window.Tabs()->setCurrentIndex(1);
    ok &= Save(window, folder.filePath("logbook-stats.png"));
    window.Tabs()->setCurrentIndex(2);
    QComboBox* golfCourses = window.ParEditor()->GolfCourseBox();
    golfCourses->setCurrentIndex(golfCourses->findData(1234));
    ok &= Save(window, folder.filePath("logbook-par.png"));
    return ok ? 0 : 1;
}
