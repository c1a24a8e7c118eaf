#pragma once

// The list of language packs the user picks a language from.

#include "localization/C_LangPack.h"

#include <QFrame>
#include <QListWidget>
#include <QPointer>

class QLabel;

// The chooser's inner list; a keyboard move of the selection counts as a click.
class TLanguageChoiceList : public QListWidget {
    Q_OBJECT

public:
    explicit TLanguageChoiceList(QWidget* parent) : QListWidget(parent) {}

signals:
    void keyboardMoved();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Lists the language packs of a TLangList, each with its picture, and switches the
// language when the user picks one.
class TLanguageChoice : public QFrame {
    Q_OBJECT

public:
    explicit TLanguageChoice(QWidget* parent = nullptr);
    ~TLanguageChoice() override;

    TLangList* LanguageList() const { return m_languages; }
    // Binds: rescans the packs, copies their display texts and follows the list's switches.
    // Null empties the list; an old list is no longer followed.
    void setLanguageList(TLangList* languages);

    QLabel* Header() const { return m_header; }
    TLanguageChoiceList* List() const { return m_list; }

    // The list's click: switch to the selected line.
    void ListClick();

signals:
    // A click has switched the language.
    void clicked();
    // A switch raised an error, to be shown once; the chooser stays usable.
    void switchFailed(const QString& message);

private:
    void AfterLanguageSwitch();

    QLabel* m_header = nullptr;
    QFrame* m_separator = nullptr;
    TLanguageChoiceList* m_list = nullptr;
    QPointer<TLangList> m_languages;
    QMetaObject::Connection m_following;
};
