#pragma once

#include "localization/C_LangPack.h"

#include <QFrame>
#include <QListWidget>
#include <QPointer>

#include <functional>

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
    // Binds: rescans the packs, copies their display texts and puts the chooser's hook in
    // the list's AfterLanguageSwitch slot, keeping the handler that was there to call it in
    // turn. Null empties the list; an old list always gets its own handler back.
    void setLanguageList(TLangList* languages);

    // Fired after a click has switched the language.
    std::function<void()> OnClick;
    // Where an error raised by a switch is shown; the chooser stays usable.
    std::function<void(const QString&)> OnError;

    QLabel* Header() const { return m_header; }
    TLanguageChoiceList* List() const { return m_list; }

    // The list's click: switch to the selected line.
    void ListClick();

private:
    void AfterLanguageSwitch();

    QLabel* m_header = nullptr;
    QFrame* m_separator = nullptr;
    TLanguageChoiceList* m_list = nullptr;
    QPointer<TLangList> m_languages;
    std::function<void()> m_keptHandler;
};
