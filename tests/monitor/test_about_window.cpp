#include <QtTest>

class TestAboutWindow : public QObject {
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
