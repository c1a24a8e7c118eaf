#pragma once

// The about box: the program's name, version and maker.

#include "localization/ComponentList.h"

#include <QDialog>

class IShell;
class QLabel;
class QPushButton;
class TTextStorage;

// The about box: name and version, and the maker's contact links.
class TAboutDlg : public QDialog, public IComponentOwner {
    Q_OBJECT

public:
    TAboutDlg(IShell& shell, const QString& programFile, QWidget* parent = nullptr);

    // Fills the translated texts, then shows the box modally.
    void Execute();
    // Fills caption and labels in the current language.
    void FillTexts();

    void email_btnClick();
    void web_btnClick();
    void forum_btnClick();

    QList<QObject*> Components() const override { return m_components.components(); }

    static const char* const kEmailAddress;
    static const char* const kWebAddress;
    static const char* const kForumAddress;

private:
    IShell& m_shell;
    QString m_programFile;
    TComponentList m_components;
    QLabel* appname_lbl = nullptr;
    QLabel* version_lbl = nullptr;
    TTextStorage* TS_about = nullptr;
};
