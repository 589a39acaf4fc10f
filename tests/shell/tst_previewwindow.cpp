// The preview: its layout, the access toggles, loading and reloading the top page, its menu.
// Not covered here: when a write reloads it (each editor's tests).
#include "MainMenuBar.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "ShellFixtures.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "WindowFrame.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#ifdef PKL_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

class TestPreviewWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

#ifdef PKL_HAVE_WEBENGINE
    // The value of a script run in the page.
    static QString script(PreviewWindow* p, const QString& expression) {
        QString t;
        bool done = false;
        qobject_cast<QWebEngineView*>(p->view())->page()->runJavaScript(expression, [&](const QVariant& v) {
            t = v.toString();
            done = true;
        });
        (void)QTest::qWaitFor([&] { return done; }, 10000);
        return t;
    }
    static QString title(PreviewWindow* p) {
        return script(p, QStringLiteral("document.title"));
    }
#endif

private slots:
    void init() {
        resetPageSet();
        ScriptedPlatform::install();
    }
    void cleanup() {
        closeShellWindows();
    }

    void frame() {
        checkFrame(PreviewWindow::instance(), QAccessible::Window, "Pelkavin", kNoLimit, QString());
    }
    void layout() {
        PreviewWindow* p = PreviewWindow::instance();
        QCOMPARE(p->windowTitle(), QStringLiteral("Pelkavin"));
        QCOMPARE(p->size(), QSize(400, 600));
        QCOMPARE(p->view()->geometry(), QRect(0, 30, 400, 550));
        QCOMPARE(p->accessButton(PageSet::Access::Folder)->text(), QStringLiteral("Localアクセス"));
        QCOMPARE(p->accessButton(PageSet::Access::Card)->text(), QStringLiteral("Wi-Fiアクセス"));
        QVERIFY(p->accessButton(PageSet::Access::Folder)->isChecked());
        auto* label = p->findChild<QLabel*>("reloadHint");
        QVERIFY(label->font().bold());
        QCOMPARE(label->geometry(), QRect(9, 580, 391, 20));
        // The whole hint shows in its rectangle.
        QVERIFY(label->font().pixelSize() <= 12);
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width());
        p->resize(500, 700);
        QCOMPARE(p->view()->geometry(), QRect(0, 30, 500, 650));
        QCOMPARE(label->geometry(), QRect(9, 680, 391, 20));
    }
    void loadsAndReloadsTheLocalPage() {
#ifndef PKL_HAVE_WEBENGINE
        QSKIP("this build has no web engine (the sanitizer build leaves it out)");
#else
        const QString page = TestFiles::write(m_dir.filePath("n.htm"), "<html><head><title>one</title></head></html>");
        PageSet::chosen().setPath(PageSet::Entry::TopPage, page);
        PreviewWindow* p = PreviewWindow::instance();
        auto* view = qobject_cast<QWebEngineView*>(p->view());
        QVERIFY(view);
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        p->load();
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(title(p), QStringLiteral("one"), 10000);

        TestFiles::write(page, "<html><head><title>two</title></head></html>");
        QSignalSpy scripts(p, &PreviewWindow::scriptRun);
        PreviewWindow::reloadTopPage();
        QCOMPARE(scripts.count(), 1);
        QCOMPARE(scripts.at(0).at(0).toString(), QStringLiteral("location.reload();"));
        QTRY_COMPARE_WITH_TIMEOUT(title(p), QStringLiteral("two"), 20000);
#endif
    }
    void contextMenuAndEditItems() {
#ifndef PKL_HAVE_WEBENGINE
        QSKIP("this build has no web engine (the sanitizer build leaves it out)");
#else
        const QByteArray body = "<body><p>Pelkavin page</p><input id='f' value='abc'></body></html>";
        const QString page = TestFiles::write(m_dir.filePath("n.htm"), "<html><head><title>one</title></head>" + body);
        PageSet::chosen().setPath(PageSet::Entry::TopPage, page);
        PreviewWindow* p = PreviewWindow::instance();
        auto* view = qobject_cast<QWebEngineView*>(p->view());
        QVERIFY(view);
        QVERIFY(activate(p));
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        p->load();
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(view->focusProxy(), 10000);
        QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(view->focusProxy()->hasFocus());

        // Chosen in the palette, the Edit items act on the page: outside a field only copying and
        // selecting apply, in a field everything but undo.
        QVERIFY(activate(PaletteWindow::instance()));
        MainMenuBar* bar = MainMenuBar::instance();
        QVERIFY(bar->editTarget() && view->isAncestorOf(bar->editTarget()));
        QVERIFY(!bar->canEdit("EditCopy"));
        QGuiApplication::clipboard()->setText("xyz");
        bar->item("EditSelectAll")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(bar->canEdit("EditCopy"), 10000);
        for (const char* name : {"EditUndo", "EditCut", "EditPaste", "EditClear"})
            QVERIFY2(!bar->canEdit(name), name);
        view->page()->runJavaScript("document.getElementById('f').select();");
        QTRY_VERIFY_WITH_TIMEOUT(bar->canEdit("EditPaste") && bar->canEdit("EditCut"), 10000);
        QVERIFY(bar->canEdit("EditClear"));
        QVERIFY(!bar->canEdit("EditUndo"));
        bar->item("EditPaste")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(script(p, "document.getElementById('f').value"), QStringLiteral("xyz"), 10000);

        // The right-click menu is the tool's own, in Japanese, and its "再読み込み" reloads the page.
        QVERIFY(activate(p));
        TestFiles::write(page, "<html><head><title>two</title></head>" + body);
        QTest::mouseClick(view->focusProxy(), Qt::RightButton, {}, QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()), 10000);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList texts;
        QAction* reload = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            texts << a->text();
            if (a->text() == QStringLiteral("再読み込み"))
                reload = a;
        }
        QCOMPARE(texts, (QStringList{"戻る", "進む", "再読み込み", "カット", "コピー", "貼り付け", "すべてを選択"}));
        QVERIFY(reload && reload->isEnabled());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(reload).center());
        QTRY_COMPARE_WITH_TIMEOUT(title(p), QStringLiteral("two"), 20000);
#endif
    }
    void pressingThePressedToggleKeepsIt() {
        PageSet::chosen().setPath(PageSet::Entry::TopPage, TestFiles::write(m_dir.filePath("n.htm"), "<html></html>"));
        PreviewWindow* p = PreviewWindow::instance();
        QTest::mouseClick(p->accessButton(PageSet::Access::Card), Qt::LeftButton);
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Card);
        QTest::mouseClick(p->accessButton(PageSet::Access::Card), Qt::LeftButton);
        QVERIFY(p->accessButton(PageSet::Access::Card)->isChecked());
        QVERIFY(!p->accessButton(PageSet::Access::Folder)->isChecked());
        QCOMPARE(p->requestedUrl(), PreviewWindow::kCardAddress);
        QTest::mouseClick(p->accessButton(PageSet::Access::Folder), Qt::LeftButton);
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Folder);
        QCOMPARE(p->requestedUrl(), QUrl::fromLocalFile(PageSet::chosen().topPage()));
    }
    void reloadRecreatesAClosedPreview() {
        PageSet::chosen().setPath(PageSet::Entry::TopPage, TestFiles::write(m_dir.filePath("n.htm"), "<html></html>"));
        QVERIFY(!PreviewWindow::isOpen());
        PreviewWindow::reloadPage();
        QVERIFY(PreviewWindow::isOpen());
        QCOMPARE(PreviewWindow::instance()->requestedUrl(), QUrl::fromLocalFile(PageSet::chosen().topPage()));
    }
};

PKL_GUI_TEST_MAIN(TestPreviewWindow)
#include "tst_previewwindow.moc"
