// The program's save dialog leaves the question about an existing file to the program.

#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

class TestSaveDialog : public QObject {
    Q_OBJECT
private slots:
    void doesNotConfirmOverwriting()
    {
        bool asks = true;
        QTimer::singleShot(0, this, [&asks] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            asks = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->reject();
        });
        kolmaris::QtDialogs dialogs;
        QVERIFY(!dialogs.SaveFileName(nullptr, QStringLiteral("*.tab"), QStringLiteral("tab")));
        QVERIFY(!asks);
    }
};

QTEST_MAIN(TestSaveDialog)
#include "test_save_dialog.moc"
