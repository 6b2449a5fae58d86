#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/TMainForm.h"
#include "support/TestSupport.h"

class TestHelpFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    // A reader looks a command up by the words on its button or menu item; every one of them
    // must be found in the help.
    void everyCommandIsDescribed()
    {
        const QString help = QString::fromUtf8(readTextFile(QStringLiteral(QIRVA_HELP_SOURCE)));
        QVERIFY(help.contains(QStringLiteral("<html lang=\"ja\">")));

        ScriptedDesktop desktop;
        QTemporaryDir dir;
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")), "[Setting]\nMode=1\n");
        TMainForm form(dir.path());

        QStringList names;
        for (const QToolButton* button : form.findChildren<QToolButton*>())
            if (button->objectName().endsWith(QStringLiteral("ToolBtn")))
                names << button->toolTip();
        for (const QAction* action : form.findChildren<QAction*>()) {
            // The words before the key name ("次の画像               Num6"), without "&".
            QString words = action->text().remove(QLatin1Char('&'));
            words = words.split(QRegularExpression(QStringLiteral("[ 　]+"))).constFirst();
            words.remove(QRegularExpression(QStringLiteral("\\(.\\)$")));
            names << words;
        }
        names.removeAll(QString());
        names.removeDuplicates();
        QStringList missing;
        for (const QString& name : std::as_const(names))
            if (!help.contains(name))
                missing << name;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
        QVERIFY(names.size() > 30);
    }
};

QTEST_MAIN(TestHelpFile)
#include "tst_helpfile.moc"
