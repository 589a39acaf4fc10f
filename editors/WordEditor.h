#pragma once
// The recognition-word editor: the rows of the Japanese or the English word file in an editable
// list, one language at a time.
#include "PageSet.h"
#include "SingleWindow.h"
#include "TextCodec.h"
#include "WordFile.h"

#include <QWidget>
#include <optional>

class QPushButton;
class QTableView;
class WordDelegate;
class WordListModel;

class WordEditor : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kShownWhenCreated = true;
    WordEditor();
    ~WordEditor() override;
    static WordEditor* instance() { return SingleWindow<WordEditor>::get(); }
    // A window that closed itself is gone for the palette even before Qt deletes it.
    static bool isOpen() { return SingleWindow<WordEditor>::isOpen() && !SingleWindow<WordEditor>::get()->isHidden(); }

    QTableView* list() const { return m_list; }
    WordListModel* model() const { return m_model; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* languageButton(PageSet::Language language) const { return m_languageButtons[int(language)]; }
    PageSet::Language language() const { return m_language; }

    // Shows the other language, after saving the list shown.
    void chooseLanguage(PageSet::Language language);
    // Reads the shown language's file into the list.
    void load();
    // True when the file holds the list's rows afterwards: written, or nothing to write.
    bool save();

    // The rows as the list holds them.
    const QList<WordFile::Row>& rows() const;
    // Whether a cell may take text typed into its editor; when not, a message names the row, and
    // the text is put back into the cell's editor, opened again once the message is read.
    bool cellTakes(int row, int column, const QString& text);

private:
    enum class Outcome { Written, Unchanged, NotOurs, Failed };
    Outcome write();
    void pressLanguageButton();
    bool edited() const;
    QString cellRefusal(int row, int column, const QString& text) const;

    QTableView* m_list;
    WordListModel* m_model;
    WordDelegate* m_delegate;
    QPushButton* m_save;
    QPushButton* m_languageButtons[2];
    PageSet::Language m_language = PageSet::Language::Japanese;
    // The file the list's rows were read from, and its language: only that file is ever written,
    // and always with the words quoted for that language.
    QString m_listFile;
    QString m_listFolder; // the plk folder it is in
    // Why the file read is never written (it does not run as a script, or the list cannot show
    // what the page reads); empty when it may be.
    QString m_refusal;
    std::optional<PageSet::Language> m_listLanguage; // none until a file is read
    // The encoding of that file; none when it is neither UTF-8 nor Shift_JIS, and the list is then
    // shown but never written.
    std::optional<TextCodec::Encoding> m_encoding;
    // The file as the list's rows were read from it or last written, for the next save.
    WordFile::Known m_known;
};
