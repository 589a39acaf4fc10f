#pragma once
// The page set the user chose: its folder, the files the windows edit there, and where the preview
// reads the top page from. One object for the whole program (chosen()); the folder dialog sets it,
// and every window writes its file through it, so the preview hears of each write.
#include "TextCodec.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class PageSet : public QObject {
    Q_OBJECT
public:
    enum class Language { Japanese, English };
    // Where the preview reads the top page: from the chosen folder, or from the card over Wi-Fi.
    enum class Access { Folder, Card };
    Q_ENUM(Access)
    // What the folder check looks for, in its order. The files among them are what windows write.
    enum class Entry { TopPage, ScriptFolder, ButtonData, StyleSheet, JapaneseWords, EnglishWords, ImageFolder, Icon };
    Q_ENUM(Entry)

    // The paths of a set; empty where none is known. A path may name a file that is not there.
    struct Files {
        QString folder;
        QString topPage;
        QString buttonData;
        QString styleSheet;
        std::array<QString, 2> words; // by Language
        QString icon;
    };

    // The folder check, one entry after another: a file or folder in place of each counts, anything
    // else (a fifo, a device) is missing. The top page only needs the folder to be a folder: a set
    // without "n.htm" passes. files holds the paths as far as the check got (the missing entry's
    // included); missing is the first entry it did not find.
    struct Check {
        Files files;
        std::optional<Entry> missing;
    };
    static Check open(const QString& folder);
    // "jsフォルダがありません..." and so on.
    static QString missingMessage(Entry entry);

    // The set of the program.
    static PageSet& chosen();

    const QString& folder() const { return m_files.folder; }
    const QString& topPage() const { return m_files.topPage; }
    const QString& buttonData() const { return m_files.buttonData; }
    const QString& styleSheet() const { return m_files.styleSheet; }
    const QString& words(Language language) const { return m_files.words[std::size_t(language)]; }
    const QString& icon() const { return m_files.icon; }
    // The path of a file entry; empty for the folders.
    QString path(Entry file) const;
    static Entry wordsEntry(Language language);

    const Files& files() const { return m_files; }
    void setFiles(const Files& files) { m_files = files; }
    // Sets the path of a file entry (nothing for the folders).
    void setPath(Entry file, const QString& path);
    // Takes the paths a check got to; those after the entry it missed stay as they were.
    void adopt(const Check& check);

    // The encoding the top page declares now (read each time; nothing when it declares none or
    // cannot be read): the page's browser reads the scripts and the style sheet in it.
    std::optional<TextCodec::Encoding> pageEncoding() const;

    Access access() const { return m_access; }
    void setAccess(Access access) { m_access = access; }

    // The one way a window writes a file of the set: the safe write, then written(). Empty when
    // written; else the message naming the file and the reason.
    QString write(Entry file, const QByteArray& bytes);

    // A format's save function: the file's bytes as they are now in, its new bytes out, or nothing
    // and *refusal saying why it is not written.
    using Rewrite = std::function<std::optional<QByteArray>(const QByteArray& now, QString* refusal)>;
    // How a file that cannot be read at the save is reported: as a failed write, or a failed read.
    enum class Unreadable { AsWriteFailure, AsReadFailure };
    // Saves an edited file: its bytes as they are now, the format's save, then write() (nothing is
    // written when the new bytes are the old ones). Empty when saved; else the refusal, or the
    // message of the failed read or write.
    QString rewrite(Entry file, const Rewrite& format, Unreadable unreadable = Unreadable::AsWriteFailure);

signals:
    // A file of the set was written, or saved as it was (it already held what the save writes).
    void written(PageSet::Entry file);

private:
    Files m_files;
    Access m_access = Access::Folder;
};
