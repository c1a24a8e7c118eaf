#pragma once

// The framing window's checklist: one line per check of the photo with its mark, and for
// what does not pass, what is wrong and one sentence on what to do.

#include "picture/U_Checks.h"

#include <QLabel>

#include <optional>

class QTimer;
class TTextStorage;

class TCheckList : public QLabel {
    Q_OBJECT

public:
    explicit TCheckList(QWidget* parent = nullptr);

    // The texts, translated as part of the window that owns the list.
    TTextStorage* Texts() const { return checks_ts; }
    void setResults(const std::vector<CheckResult>& results);
    // The background rows measured with the chosen plain colour in place of the wall, which
    // stand in for those measured as shot; empty while the wall stays as shot.
    void setBackdropResults(const std::vector<CheckResult>& replaced);
    // Checks input a moment later, once the frame stops moving; a newer input replaces it.
    void Check(const CheckInput& input);
    // The results shown, after making the checks still waiting.
    const std::vector<CheckResult>& Results();
    // The height the list takes in the window, filled or not.
    int Height() const;

    // In the current language.
    QString Name(const CheckResult& r) const;     // "Mouth: closed, neutral expression"
    QString Problem(const CheckResult& r) const;  // "the mouth is open"; empty when passing
    QString Advice(const CheckResult& r) const;   // "Close your mouth..."; empty when passing
    QString MarkText(CheckMark mark) const;       // "passes", "look at it", "fails"
    QString Measured(const CheckResult& r) const; // "0.8 degrees", "yes (0.34, 0.33)"
    QString Unit(const CheckLimit& limit) const;  // "pixels per inch"; empty for ratios
    QString Text(const char* english) const;

private:
    TTextStorage* checks_ts = nullptr;
    std::vector<CheckResult> m_measured; // as shot
    std::vector<CheckResult> m_replaced; // the background rows with the colour in place
    std::vector<CheckResult> m_results;  // shown
    std::optional<CheckInput> m_pending;
    QTimer* m_timer = nullptr;
};

// The list's translatable texts, in their fixed order.
const QStringList& CheckListTexts();
