// The folder dialog: its layout, the folder check as the user meets it (the message, what the page
// set takes, the preview of a complete folder) and how it closes. Not covered here: the check's own
// rules (tst_pageset).
#include "FolderDialog.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "ShellFixtures.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "WindowFrame.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

class TestFolderDialog : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_earlier;

private slots:
    void init() {
        resetPageSet();
        ScriptedPlatform::install();
    }
    void cleanup() { closeShellWindows(); }

    void layout() {
        FolderDialog* d = FolderDialog::instance();
        QCOMPARE(d->windowTitle(), QStringLiteral("PLKフォルダ選択"));
        QCOMPARE(d->size(), QSize(291, 106));
        QCOMPARE(d->findChild<QLabel*>("prompt")->text(), QStringLiteral("PLKフォルダ選択して下さい"));
        QCOMPARE(d->findChild<QPushButton*>("chooseButton")->geometry(), QRect(191, 20, 80, 20));
        QVERIFY(!d->findChild<QPushButton*>("quitButton")->isVisibleTo(d));
        QCOMPARE(d->findChild<QPushButton*>("closeButton")->text(), QStringLiteral("選択しないで閉じる"));
    }

    void frame() {
        checkFrame(FolderDialog::instance(), QAccessible::Dialog, "PLKフォルダ選択", kNoLimit, "chooseButton");
    }
    void failingStep_data() {
        QTest::addColumn<QStringList>("skip");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("assigned"); // how many handles point into the new folder
        QTest::newRow("js") << QStringList{"js"} << "jsフォルダがありません..." << 2;
        QTest::newRow("plkpadbtn") << QStringList{"js/plkpadbtn.js"} << "plkpadbtn.jsファイルがありません..." << 3;
        QTest::newRow("css") << QStringList{"js/pelkavin.css"} << "pelkavin.cssファイルがありません..." << 4;
        QTest::newRow("jp") << QStringList{"js/ninshiki_jp.js"} << "ninshiki_jp.jsファイルがありません..." << 5;
        QTest::newRow("en") << QStringList{"js/ninshiki_en.js"} << "ninshiki_en.jsファイルがありません..." << 6;
        QTest::newRow("img folder") << QStringList{"img"} << "apple-touch-icon.pngファイルがありません..." << 7;
        QTest::newRow("icon") << QStringList{"img/apple-touch-icon.png"}
                              << "apple-touch-icon.pngファイルがありません..." << 7;
    }
    void failingStep() {
        QFETCH(QStringList, skip);
        QFETCH(QString, message);
        QFETCH(int, assigned);
        PageSet& set = PageSet::chosen();
        // An earlier complete run, whose later handles must survive.
        const QString earlier = TestFiles::makePageSet(m_dir.filePath("earlier"));
        ScriptedPlatform* p = scripted();
        p->folders.enqueue(earlier);
        FolderDialog::instance()->chooseFolder();
        QVERIFY(p->messages.isEmpty());
        QCOMPARE(set.access(), PageSet::Access::Folder);
        set.setAccess(PageSet::Access::Card);

        const QString folder =
            TestFiles::makePageSet(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())), skip);
        p->folders.enqueue(folder);
        FolderDialog* d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QCOMPARE(p->messages, QStringList{message});
        QVERIFY(FolderDialog::isOpen());
        QVERIFY(d->isVisible());
        const PageSet::Files& f = set.files();
        const QString handles[] = {f.folder, f.topPage, f.buttonData, f.styleSheet, f.words[0], f.words[1], f.icon};
        for (int i = 0; i < 7; ++i) {
            if (i == 6 && skip == QStringList{"img"}) {
                // No folder, so no handle for the icon inside it.
                QVERIFY(handles[i].isEmpty());
                continue;
            }
            QVERIFY2(!handles[i].isEmpty(), qPrintable(QString::number(i)));
            const QString expectedRoot = i < assigned ? folder : earlier;
            QVERIFY2(handles[i].startsWith(expectedRoot + (i == 0 ? QString() : QStringLiteral("/"))),
                     qPrintable(handles[i]));
        }
        QCOMPARE(set.access(), PageSet::Access::Card);
    }
    void firstRunLeavesLaterHandlesUnset() {
        scripted()->folders.enqueue(TestFiles::makePageSet(m_dir.filePath("nocss"), {"js/pelkavin.css"}));
        FolderDialog::instance()->chooseFolder();
        const PageSet& set = PageSet::chosen();
        QVERIFY(!set.buttonData().isEmpty() && !set.styleSheet().isEmpty());
        QVERIFY(set.words(PageSet::Language::Japanese).isEmpty() && set.words(PageSet::Language::English).isEmpty() &&
                set.icon().isEmpty());
    }
    void cancelledChooserChangesNothing() {
        FolderDialog* d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QVERIFY(PageSet::chosen().folder().isEmpty());
        QVERIFY(scripted()->messages.isEmpty());
        QVERIFY(d->isVisible());
    }
    void completeFolderOpensThePreview() {
        const QString folder = TestFiles::makePageSet(m_dir.filePath("complete"));
        TestFiles::write(folder + "/n.htm", "<html><head><title>top</title></head></html>");
        PageSet::chosen().setAccess(PageSet::Access::Card);
        PaletteWindow::instance()->move(20, 20);
        // An open preview is reused, not brought to the front.
        PreviewWindow::instance()->move(100, 50);
        scripted()->folders.enqueue(folder);
        QPointer<FolderDialog> d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QVERIFY(scripted()->messages.isEmpty());
        QTRY_VERIFY(d.isNull());
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Folder);
        QVERIFY(PreviewWindow::isOpen());
        PreviewWindow* p = PreviewWindow::instance();
        QVERIFY(p->accessButton(PageSet::Access::Folder)->isChecked());
        QVERIFY(!p->accessButton(PageSet::Access::Card)->isChecked());
        QCOMPARE(p->requestedUrl(), QUrl::fromLocalFile(folder + "/n.htm"));
        QCOMPARE(p->pos(), QPoint(100 + PaletteWindow::instance()->width(), 50));
    }
    void completeFolderWithoutTopPageClosesSilently() {
        const QString folder = TestFiles::makePageSet(m_dir.filePath("notop"), {"n.htm"});
        PageSet::chosen().setAccess(PageSet::Access::Card);
        scripted()->folders.enqueue(folder);
        QPointer<FolderDialog> d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QTRY_VERIFY(d.isNull());
        QVERIFY(scripted()->messages.isEmpty());
        QVERIFY(!PreviewWindow::isOpen());
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Card);
        QVERIFY(!PageSet::chosen().icon().isEmpty());
    }
    void escapeDoesNotClose() {
        QPointer<FolderDialog> d = FolderDialog::instance();
        QVERIFY(activate(d));
        QTest::keyClick(d, Qt::Key_Escape);
        QVERIFY(!d.isNull());
        QVERIFY(d->isVisible());
        // The close box still closes it.
        d->close();
        QTRY_VERIFY(d.isNull());
    }
    void closeWithoutChoosing() {
        PaletteWindow::instance();
        QPointer<FolderDialog> d = FolderDialog::instance();
        d->show();
        QTest::mouseClick(d->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
        QTRY_VERIFY(d.isNull());
        QVERIFY(PageSet::chosen().folder().isEmpty());
        QVERIFY(PaletteWindow::instance()->isVisible());
    }
};

PKL_GUI_TEST_MAIN(TestFolderDialog)
#include "tst_folderdialog.moc"
