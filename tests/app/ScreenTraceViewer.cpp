// The QIRVA window as the program shows it, for the screen-trace test, which drives it with real
// X input and samples the screen from outside. Standard input takes one question a line, each
// answered with one line on standard output, so the test knows where to aim:
//   rect NAME  ->  "x y width height" of the control NAME on the screen
//   row NODE   ->  "x y", the middle of the tree row of the flat tree index NODE (its album is
//                  expanded and the row scrolled into sight first), once the tree is shown
// The program ends when standard input closes; argv[1] is the folder of its qirva.ini.
#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

#include "app/TMainForm.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "platform/SessionBus.h"

namespace {

QByteArray answer(TMainForm& form, const QByteArray& question)
{
    const QList<QByteArray> words = question.simplified().split(' ');
    if (words.size() != 2)
        return "?";
    if (words[0] == "rect") {
        const auto* control = form.findChild<QWidget*>(QString::fromLatin1(words[1]));
        if (!control)
            return "?";
        const QPoint at = control->mapToGlobal(QPoint(0, 0));
        return QByteArray::number(at.x()) + ' ' + QByteArray::number(at.y()) + ' ' +
               QByteArray::number(control->width()) + ' ' + QByteArray::number(control->height());
    }
    if (words[0] == "row") {
        const QModelIndex index = form.TreeModel->indexOfNode(words[1].toInt());
        if (!index.isValid() || !form.TreeView->isVisible())
            return "?";
        form.TreeView->expand(index.parent());
        form.TreeView->scrollTo(index);
        const QPoint at =
            form.TreeView->viewport()->mapToGlobal(form.TreeView->visualRect(index).center());
        return QByteArray::number(at.x()) + ' ' + QByteArray::number(at.y());
    }
    return "?";
}

} // namespace

int main(int argc, char* argv[])
{
    SessionBus::preventAutolaunch();
    QApplication app(argc, argv);
    TMainForm::initApplication(app);
    TMainForm form(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    form.show();

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            app.quit();
            return;
        }
        pending.append(buffer, got);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray reply = answer(form, pending.left(end));
            std::printf("%s\n", reply.constData());
            std::fflush(stdout);
        }
    });
    return app.exec();
}
