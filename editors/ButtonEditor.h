#pragma once
// The button-data editor: choose a type, a bank and a pad button, take a word from the list,
// edit the fields, store them into the row, and save the block of "plkpadbtn.js".
#include "ButtonDataFile.h"
#include "SingleWindow.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class ButtonEditor : public QWidget {
    Q_OBJECT
public:
    // Shown by the palette, after its default data and captions are in place.
    static constexpr bool kShownWhenCreated = false;
    ButtonEditor();
    static ButtonEditor* instance() { return SingleWindow<ButtonEditor>::get(); }
    static bool isOpen() { return SingleWindow<ButtonEditor>::isOpen(); }

    void chooseBank(int index);
    void choosePad(int index);
    void chooseType(int index); // the type button's index: the WordList in order
    // Loads the page set's file (the palette calls it), or another file the user chooses.
    void load();
    void loadOtherFile();
    // Writes the tables into the page set's file.
    void save();
    // Puts the list's selected word into the fields.
    void takeWord();
    // Stores the fields into the selected button's row.
    void store();

    // The list's selected row, -1 when none.
    int selectedWordRow() const;
    ButtonDataFile::WordList selectedType() const { return m_type; }
    int selectedPad() const { return m_pad; }
    const ButtonDataFile::Table& recognitionTable() const { return m_recognition; }
    const ButtonDataFile::Table& robotTable() const { return m_robot; }

private:
    // Sets the pad captions from the tables, for the bank and type chosen.
    void showCaptions();
    void showFields();
    void fillWordList();
    void updateTakeButton();
    int selectedRow() const { return m_bank * ButtonDataFile::kPads + m_pad; }
    // The message for the first field the file format cannot carry, empty when all can.
    QString refusedField() const;
    // Loads the tables from the file and shows them. A file that cannot be read, or not held as the
    // page reads it, gives empty tables and shows why; the message then, else empty. For the page
    // set's own file, what would keep a save from writing it is said too.
    QString loadFrom(const QString& path, bool pageSetFile);
    void showTables(const ButtonDataFile::Reading& reading, const QString& fileName);

    ButtonDataFile::Table m_recognition;
    ButtonDataFile::Table m_robot;
    ButtonDataFile::WordList m_type = ButtonDataFile::WordList::Japanese;
    int m_bank = 0;
    int m_pad = 0;
    // Why the tables shown are not the page set's file (its load failed); empty when they are.
    QString m_loadRefusal;
    // The encoding and name of the file the tables were last read from; the store refuses what
    // that file cannot carry (the save checks the file as it is then).
    std::optional<TextCodec::Encoding> m_encoding = TextCodec::Encoding::Utf8;
    QString m_fileName = QStringLiteral("plkpadbtn.js");
    // What the syntax check parsed of the file last read or saved: a save checks only what changed.
    ScriptCheck::Parsed m_parsed;

    // Named after these (the bank, pad and type buttons with their index: "bankButton0"), which the
    // tests find them by.
    QPushButton* m_loadFileButton;
    QPushButton* m_saveButton;
    QLineEdit* m_idField;
    QLineEdit* m_secondsField;
    QLineEdit* m_japaneseField; // the Japanese word, or the robot's phrase
    QPushButton* m_takeWordButton;
    QLineEdit* m_englishField;
    QLabel* m_japaneseLabel;
    QLabel* m_englishLabel;
    QTreeWidget* m_wordList;
    QPushButton* m_storeButton;
    QPushButton* m_bankButtons[4];
    QPushButton* m_padButtons[13];
    QPushButton* m_typeButtons[3];
};
