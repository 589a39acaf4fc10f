#include "PageSet.h"

#include "FileIO.h"
#include "Messages.h"

#include <QFileInfo>

namespace {
// A fifo or a device in place of a file counts as missing: reading it would block or never end.
bool present(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && (info.isFile() || info.isDir());
}

// Where files keeps the path of a file entry; nullptr for the folders.
template <class Files> auto slot(Files& files, PageSet::Entry file) -> decltype(&files.topPage) {
    using Entry = PageSet::Entry;
    switch (file) {
    case Entry::TopPage:
        return &files.topPage;
    case Entry::ButtonData:
        return &files.buttonData;
    case Entry::StyleSheet:
        return &files.styleSheet;
    case Entry::JapaneseWords:
        return &files.words[0];
    case Entry::EnglishWords:
        return &files.words[1];
    case Entry::Icon:
        return &files.icon;
    case Entry::ScriptFolder:
    case Entry::ImageFolder:
        break;
    }
    return nullptr;
}
} // namespace

PageSet::Check PageSet::open(const QString& folder) {
    Check c;
    Files& f = c.files;
    auto missing = [&c](Entry entry) {
        c.missing = entry;
        return c;
    };
    f.folder = folder;
    f.topPage = FileIO::childPath(folder, QStringLiteral("n.htm"));
    if (f.topPage.isEmpty())
        return missing(Entry::TopPage);
    const QString js = FileIO::childPath(folder, QStringLiteral("js"));
    if (!present(js))
        return missing(Entry::ScriptFolder);
    f.buttonData = FileIO::childPath(js, QStringLiteral("plkpadbtn.js"));
    if (!present(f.buttonData))
        return missing(Entry::ButtonData);
    f.styleSheet = FileIO::childPath(js, QStringLiteral("pelkavin.css"));
    if (!present(f.styleSheet))
        return missing(Entry::StyleSheet);
    f.words[0] = FileIO::childPath(js, QStringLiteral("ninshiki_jp.js"));
    if (!present(f.words[0]))
        return missing(Entry::JapaneseWords);
    f.words[1] = FileIO::childPath(js, QStringLiteral("ninshiki_en.js"));
    if (!present(f.words[1]))
        return missing(Entry::EnglishWords);
    const QString img = FileIO::childPath(folder, QStringLiteral("img"));
    if (img.isEmpty())
        return missing(Entry::ImageFolder);
    f.icon = FileIO::childPath(img, QStringLiteral("apple-touch-icon.png"));
    if (!present(f.icon))
        return missing(Entry::Icon);
    return c;
}

QString PageSet::missingMessage(Entry entry) {
    switch (entry) {
    case Entry::TopPage:
        return QStringLiteral("トップページがありません...");
    case Entry::ScriptFolder:
        return QStringLiteral("jsフォルダがありません...");
    case Entry::ButtonData:
        return QStringLiteral("plkpadbtn.jsファイルがありません...");
    case Entry::StyleSheet:
        return QStringLiteral("pelkavin.cssファイルがありません...");
    case Entry::JapaneseWords:
        return QStringLiteral("ninshiki_jp.jsファイルがありません...");
    case Entry::EnglishWords:
        return QStringLiteral("ninshiki_en.jsファイルがありません...");
    case Entry::ImageFolder:
        return QStringLiteral("imgフォルダがありません...");
    case Entry::Icon:
        return QStringLiteral("apple-touch-icon.pngファイルがありません...");
    }
    return {};
}

PageSet& PageSet::chosen() {
    static PageSet set;
    return set;
}

std::optional<TextCodec::Encoding> PageSet::pageEncoding() const {
    if (m_files.topPage.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> page = FileIO::readAll(m_files.topPage);
    return page ? TextCodec::declared(*page) : std::nullopt;
}

QString PageSet::path(Entry file) const {
    const QString* p = slot(m_files, file);
    return p ? *p : QString();
}

void PageSet::setPath(Entry file, const QString& path) {
    if (QString* p = slot(m_files, file))
        *p = path;
}

PageSet::Entry PageSet::wordsEntry(Language language) {
    return language == Language::English ? Entry::EnglishWords : Entry::JapaneseWords;
}

void PageSet::adopt(const Check& check) {
    const Files& f = check.files;
    auto reached = [&check](Entry entry) { return !check.missing || entry <= *check.missing; };
    m_files.folder = f.folder;
    m_files.topPage = f.topPage;
    if (reached(Entry::ButtonData))
        m_files.buttonData = f.buttonData;
    if (reached(Entry::StyleSheet))
        m_files.styleSheet = f.styleSheet;
    if (reached(Entry::JapaneseWords))
        m_files.words[0] = f.words[0];
    if (reached(Entry::EnglishWords))
        m_files.words[1] = f.words[1];
    if (reached(Entry::Icon))
        m_files.icon = f.icon;
}

QString PageSet::write(Entry file, const QByteArray& bytes) {
    const QString target = path(file);
    FileIO::Failure failure;
    if (!FileIO::safeWrite(target, bytes, &failure))
        return Messages::cannotWrite(QFileInfo(target).fileName(), failure);
    emit written(file);
    return {};
}

QString PageSet::rewrite(Entry file, const Rewrite& format, Unreadable unreadable) {
    const QString target = path(file);
    const QString name = QFileInfo(target).fileName();
    // The text outside what the window owns is taken from the file as it stands now.
    FileIO::Failure failure;
    const std::optional<QByteArray> now = FileIO::readAll(target, &failure);
    if (!now)
        return unreadable == Unreadable::AsReadFailure ? Messages::cannotRead(name, failure)
                                                       : Messages::cannotWrite(name, failure);
    QString refusal;
    const std::optional<QByteArray> bytes = format(*now, &refusal);
    if (!bytes)
        return refusal;
    // A save that changes nothing writes nothing (no temporary file, no new time on the file); the
    // preview follows it all the same, as it follows every save.
    if (*bytes == *now) {
        emit written(file);
        return {};
    }
    return write(file, *bytes);
}
