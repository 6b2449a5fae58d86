// The cost of one pan tick on a 24 MP photo at 100% in the real main window: the tick itself
// and the paint of the strip it uncovers, against the 50 ms between ticks.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "library/FolderTreeView.h"
#include "view/KeyStroke.h"
#include "view/PhotoImage.h"

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TMainForm::initApplication(app);

    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("lib"));
    QDir().mkpath(library + QStringLiteral("/a"));
    std::printf("writing a 6000 x 4000 photo...\n");
    JpegWriter::write(JpegWriter::photoLike(6000, 4000, 1), library + QStringLiteral("/a/p.jpg"),
                      JpegWriter::Kind::Baseline, 90);
    QFile ini(dir.filePath(QStringLiteral("qirva.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
    ini.close();

    TMainForm form(dir.path());
    form.resize(1024, 768);
    form.show();
    form.FolderToolBtnClick();
    form.TreeView->selectNode(1);
    form.TreeViewDblClick();
    while (!form.Image1->picture()->isDecoded())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    // Key panning with a large step, reversed at each edge, so every tick moves the photo.
    std::vector<double> costs;
    bool left = true;
    auto arrow = [&](int code) { KeyStroke key; key.code = code; return key; };
    for (int i = 0; i < 400; ++i) {
        if (!form.Pan.KeyScrolling || i % 40 == 0) {
            form.FormKeyUp(arrow(left ? KeyStroke::Left : KeyStroke::Right));
            left = !left;
            for (int step = 0; step < 5; ++step)
                form.FormKeyDown(arrow(left ? KeyStroke::Left : KeyStroke::Right));
        }
        QElapsedTimer clock;
        clock.start();
        form.ImageTimerTimer();
        QCoreApplication::sendPostedEvents(&form, QEvent::UpdateRequest);
        costs.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(costs.begin(), costs.end());
    std::printf("pan tick at 100%% on 6000 x 4000, window %d x %d, step 40 px (%s):\n",
                form.width(), form.height(), qPrintable(QGuiApplication::platformName()));
    std::printf("  median %.3f ms, 90th percentile %.3f ms, of a 50 ms tick\n",
                costs[costs.size() / 2], costs[costs.size() * 9 / 10]);
    return 0;
}
