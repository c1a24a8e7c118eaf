#pragma once

// The settings window: the language chooser.

#include "localization/ComponentList.h"

#include <QDialog>

class TLangList;
class TLanguageChoice;

// The modal "Settings" window that holds the language chooser.
class TSettingsDlg : public QDialog, public IComponentOwner {
    Q_OBJECT

public:
    explicit TSettingsDlg(QWidget* parent = nullptr, TLangList* languages = nullptr);

    // True when closed with an OK result; the window has no button that gives one.
    bool Execute();

    QList<QObject*> Components() const override { return m_components.components(); }
    TLanguageChoice* Chooser() const { return LanguageChoice1; }

private:
    TComponentList m_components;
    TLanguageChoice* LanguageChoice1 = nullptr;
};
