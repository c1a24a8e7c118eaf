#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class IFileChooser;
class QWidget;

// The open dialog component: its file name persists between uses, so the next dialog is
// pre-filled with the last choice.
class TWideOpenDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
    Q_PROPERTY(QString Filter READ Filter WRITE setFilter)
    Q_PROPERTY(int FilterIndex READ FilterIndex WRITE setFilterIndex)
    Q_PROPERTY(QString InitialDir READ InitialDir WRITE setInitialDir)
    Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE setDefaultExt)
    Q_PROPERTY(QString Title READ Title WRITE setTitle)

public:
    TWideOpenDialog(IFileChooser& chooser, QWidget* owner, QObject* parent = nullptr);

    const QString& FileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    const QString& Filter() const { return m_filter; }
    void setFilter(const QString& filter) { m_filter = filter; }
    int FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(int index) { m_filterIndex = index; }
    const QString& InitialDir() const { return m_initialDir; }
    // Drops one trailing separator, except on a root ("/", "C:\").
    void setInitialDir(const QString& dir);
    const QString& DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString& ext) { m_defaultExt = ext; }
    const QString& Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    // Shows the dialog modally; true with FileName set to the choice, false on cancel
    // (FileName unchanged).
    bool Execute();

    // "JPEG|*.jpg;*.jpeg" becomes {"JPEG (*.jpg *.jpeg)"}.
    static QStringList ToNameFilters(const QString& filter);

private:
    IFileChooser& m_chooser;
    QWidget* m_owner;
    QString m_fileName;
    QString m_filter;
    int m_filterIndex = 1;
    QString m_initialDir;
    QString m_defaultExt;
    QString m_title;
};
