// The field panels the console's style copies instead of drawing: every picture must be the
// one Fusion draws itself, wherever the field stands and whatever lies beneath it.

#include <QtTest>

#include <QFrame>
#include <QLineEdit>
#include <QStyleFactory>

#include "PanelStyle.h"

namespace {

struct Twin {
    QWidget window;
    QLineEdit* field = nullptr;
};

/// A grey window with one field (and, with `frameBeneath`, a frame running under the field).
void build(Twin& t, QStyle* style, QSize size, bool readOnly, bool enabled, QColor base, bool frameBeneath)
{
    t.window.resize(400, 80);
    QPalette wp = t.window.palette();
    wp.setColor(QPalette::Window, QColor(128, 128, 128));
    t.window.setPalette(wp);
    t.window.setAutoFillBackground(true);
    if (frameBeneath) {
        auto* frame = new QFrame(&t.window);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setGeometry(0, 15, 60, 40);
    }
    t.field = new QLineEdit(QStringLiteral("41.5678901\u00BA"), &t.window);
    t.field->setStyle(style);
    t.field->setGeometry(10, 10, size.width(), size.height());
    t.field->setReadOnly(readOnly);
    t.field->setEnabled(enabled);
    QPalette fp = t.field->palette();
    fp.setColor(QPalette::Base, base);
    t.field->setPalette(fp);
}

}  // namespace

class TestPanelStyle : public QObject {
    Q_OBJECT
private slots:
    void samePixelsAsFusion_data();
    void samePixelsAsFusion();
    void cacheStaysBounded();
    void extensionIconsAsBase();
};

void TestPanelStyle::samePixelsAsFusion_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QColor>("base");
    QTest::addColumn<bool>("frameBeneath");
    QTest::addColumn<bool>("reused");

    const QColor field(192, 192, 192);
    QTest::newRow("value field") << QSize(110, 20) << false << true << field << false << true;
    QTest::newRow("held yellow") << QSize(110, 20) << false << true << QColor(221, 219, 8) << false << true;
    QTest::newRow("read-only") << QSize(320, 20) << true << true << field << false << true;
    QTest::newRow("disabled") << QSize(40, 20) << false << false << field << false << true;
    QTest::newRow("tiny") << QSize(3, 2) << false << true << field << false << true;
    QTest::newRow("frame beneath: drawn each time") << QSize(110, 20) << false << true << field << true << false;
}

void TestPanelStyle::samePixelsAsFusion()
{
    QFETCH(QSize, size);
    QFETCH(bool, readOnly);
    QFETCH(bool, enabled);
    QFETCH(QColor, base);
    QFETCH(bool, frameBeneath);
    QFETCH(bool, reused);

    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    PanelStyle cached(QStyleFactory::create(QStringLiteral("Fusion")));
    Twin plain;
    Twin copied;
    build(plain, fusion.get(), size, readOnly, enabled, base, frameBeneath);
    build(copied, &cached, size, readOnly, enabled, base, frameBeneath);

    // First drawn, then copied; then copied again at another place in the window.
    for (const QPoint at : {QPoint(10, 10), QPoint(10, 10), QPoint(47, 33)}) {
        plain.field->move(at);
        copied.field->move(at);
        QCOMPARE(copied.window.grab().toImage(), plain.window.grab().toImage());
    }
    QCOMPARE(cached.panelsReused() > 0, reused);
    QVERIFY(cached.panelsDrawn() >= 1);
}

void TestPanelStyle::cacheStaysBounded()
{
    // Many sizes, each kept once: the oldest make room, and what is copied is still right.
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    PanelStyle cached(QStyleFactory::create(QStringLiteral("Fusion")));
    Twin plain;
    Twin copied;
    build(plain, fusion.get(), QSize(20, 20), false, true, QColor(192, 192, 192), false);
    build(copied, &cached, QSize(20, 20), false, true, QColor(192, 192, 192), false);
    for (int round = 0; round < 2; ++round) {
        for (int w = 200; w <= 296; w += 8) {
            plain.field->resize(w, 30);
            copied.field->resize(w, 30);
            QCOMPARE(copied.window.grab().toImage(), plain.window.grab().toImage());
        }
    }
    // 13 panels of 24 to 36 kB do not all fit: the second round had to draw again.
    QVERIFY(cached.panelsDrawn() > 13);
}

void TestPanelStyle::extensionIconsAsBase()
{
    // Read without the image plugins, the menu bar's arrows are still the base style's.
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    PanelStyle own(QStyleFactory::create(QStringLiteral("Fusion")));
    for (const QStyle::StandardPixmap sp :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        const QIcon mine = own.standardIcon(sp);
        const QIcon theirs = fusion->standardIcon(sp);
        QVERIFY(!mine.isNull());
        for (const int size : {5, 8, 10, 16, 20, 32})
            QCOMPARE(mine.pixmap(size).toImage(), theirs.pixmap(size).toImage());
    }
}

QTEST_MAIN(TestPanelStyle)
#include "tst_panel_style.moc"
