#include "app/U_CheckList.h"

#include "localization/C_TextStorage.h"
#include "localization/Lang_Reading.h"

#include <QTimer>

#include <cmath>

namespace {

struct CheckTexts {
    const char* name;
    const char* problem;     // %1: the value as shown
    const char* adviceBelow; // when the value is too low (or to the picture's left)
    const char* adviceAbove; // too high (or to the right)
};

// In CheckId order.
constexpr CheckTexts kTexts[kCheckCount] = {
    {"Head straight", "the head is tilted by %1°", "Hold your head straight, with both eyes level",
     "Hold your head straight, with both eyes level"},
    {"Face to the camera", "the face is turned by %1°", "Turn your head a little to the left",
     "Turn your head a little to the right"},
    {"Head level", "the head is tipped by %1°", "Raise your chin a little",
     "Lower your chin a little"},
    {"Eyes: open", "the eyes look closed", "Keep your eyes open and look into the camera",
     "Keep your eyes open and look into the camera"},
    {"Mouth: closed, neutral expression", "the mouth is open",
     "Close your mouth and keep a neutral expression",
     "Close your mouth and keep a neutral expression"},
    {"Light on the face", "the face is too dark", "Light your face from the front with more light",
     "Use softer light, out of direct sun"},
    {"Even light on the face", "one side of the face is darker", "Light your face from the front",
     "Light your face from the front"},
    {"Sharpness", "the face is blurred", "Hold the camera still and focus on the face",
     "Hold the camera still and focus on the face"},
    {"Background: plain", "the wall is uneven", "Stand in front of a plain wall of one colour",
     "Stand in front of a plain wall of one colour"},
    {"Background: no shadow", "a shadow falls beside the head",
     "Stand further from the wall to lose the shadow",
     "Stand further from the wall to lose the shadow"},
    {"Background: light", "the wall is too dark", "Stand in front of a light wall",
     "Stand in front of a light wall"},
    {"Resolution", "%1 pixels per inch on paper",
     "Use a picture with more pixels, or take it from closer",
     "Use a picture with more pixels, or take it from closer"},
    {"Glasses: no glare", "light reflects around the eyes",
     "Tilt your glasses a little or take them off", "Tilt your glasses a little or take them off"},
};
// The light check strays both ways; the others name one problem.
const char* const kTooBright = "the face is too bright";
const char* const kPasses = "passes";
const char* const kLookAtIt = "look at it";
const char* const kFails = "fails";

// Checks wait this long after the last move of the frame.
constexpr int kSettleMs = 120;
// Rows of the two-column list, and the lines a row takes on average when some wrap.
constexpr int kRows = (kCheckCount + 1) / 2;
constexpr double kLinesPerRow = 1.5;

} // namespace

const QStringList& CheckListTexts() {
    static const QStringList texts = [] {
        QStringList list;
        for (const CheckTexts& t : kTexts)
            for (const char* text : {t.name, t.problem, t.adviceBelow, t.adviceAbove})
                if (!list.contains(QString::fromUtf8(text)))
                    list << QString::fromUtf8(text);
        for (const char* text :
             {kTooBright, kPasses, kLookAtIt, kFails, "Photo check", "Format", "Norm", "Date",
              "Head", "Check", "Measured", "Threshold", "Result",
              "look at it below %1, fails below %2", "look at it beyond %1, fails beyond %2",
              "Made with Quillmark", "Frame the photo first: the checks are made when framing",
              "Check report"})
            list << QString::fromUtf8(text);
        // The report's values and units.
        for (const char* text : {"yes", "no", "degrees", "of 255", "pixels per inch",
                                 "%1, clipped: %2 %", "not measured: no wall in view"})
            list << QString::fromUtf8(text);
        return list;
    }();
    return texts;
}

TCheckList::TCheckList(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("CheckList"));
    setTextFormat(Qt::RichText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    checks_ts = new TTextStorage(QStringLiteral("checks_ts"), CheckListTexts(), this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(kSettleMs);
    connect(m_timer, &QTimer::timeout, this, [this] { Results(); });
    setMinimumHeight(Height());
}

int TCheckList::Height() const {
    return int(kRows * kLinesPerRow * fontMetrics().lineSpacing());
}

void TCheckList::Check(const CheckInput& input) {
    // A moved frame has a background of its own, measured again when it comes back.
    m_replaced.clear();
    m_pending = input;
    m_timer->start();
}

const std::vector<CheckResult>& TCheckList::Results() {
    if (m_pending) {
        m_timer->stop();
        const CheckInput input = std::move(*m_pending);
        m_pending.reset();
        setResults(RunChecks(input));
    }
    return m_results;
}

QString TCheckList::Text(const char* english) const {
    return checks_ts->Translate(QString::fromUtf8(english));
}

QString TCheckList::Name(const CheckResult& r) const {
    return Text(kTexts[int(r.Id)].name);
}

QString TCheckList::Problem(const CheckResult& r) const {
    if (r.Mark == CheckMark::Passes)
        return {};
    const double shown = std::abs(r.Value);
    if (r.Id == CheckId::Light && r.Side > 0)
        return Text(kTooBright);
    const QString problem = Text(kTexts[int(r.Id)].problem);
    if (!problem.contains(QLatin1String("%1")))
        return problem;
    return problem.arg(LocalNumber(shown, r.Id == CheckId::Resolution ? 0 : 1));
}

QString TCheckList::Advice(const CheckResult& r) const {
    if (r.Mark == CheckMark::Passes)
        return {};
    const CheckTexts& t = kTexts[int(r.Id)];
    return Text(r.Side < 0 ? t.adviceBelow : t.adviceAbove);
}

QString TCheckList::Unit(const CheckLimit& limit) const {
    // Ratios and scores have none; the rest in words a reader knows.
    const std::pair<const char*, const char*> units[] = {
        {"degrees", "degrees"}, {"luma", "of 255"}, {"ppi", "pixels per inch"}, {"%", "%"}};
    for (const auto& [key, text] : units)
        if (limit.Unit == QLatin1String(key))
            return Text(text);
    return {};
}

QString TCheckList::Measured(const CheckResult& r) const {
    if (!r.Measured)
        return Text("not measured: no wall in view");
    const auto number = [&](double v) { return LocalNumber(v, CheckDecimals(*r.Limit)); };
    const QString yes = Text(r.Mark == CheckMark::Fails ? "no" : "yes");
    switch (r.Id) {
    case CheckId::EyesOpen:
        return QStringLiteral("%1 (%2, %3)").arg(yes, number(r.Value), number(r.Second));
    case CheckId::MouthClosed:
        return QStringLiteral("%1 (%2)").arg(yes, number(r.Value));
    case CheckId::Light:
        return Text("%1, clipped: %2 %")
            .arg(number(r.Value) + QLatin1Char(' ') + Text("of 255"), LocalNumber(r.Second, 1));
    default:
        return (number(r.Value) + QLatin1Char(' ') + Unit(*r.Limit)).trimmed();
    }
}

QString TCheckList::MarkText(CheckMark mark) const {
    return Text(mark == CheckMark::Passes     ? kPasses
                : mark == CheckMark::LookAtIt ? kLookAtIt
                                              : kFails);
}

void TCheckList::setResults(const std::vector<CheckResult>& results) {
    if (results.empty()) {
        m_replaced.clear();
        m_pending.reset();
        m_timer->stop();
    }
    m_measured = results;
    m_results = m_replaced.empty() ? results : WithBackgroundOf(results, m_replaced);
    // Two columns, so that the list leaves the picture most of the window.
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\" width=\"100%\"><tr>");
    for (size_t i = 0; i < m_results.size(); ++i) {
        const CheckResult& r = m_results[i];
        // A sign and a colour, and the mark in words for those who see neither.
        const char* sign = r.Mark == CheckMark::Passes     ? "&#x2713;"
                           : r.Mark == CheckMark::LookAtIt ? "?"
                                                           : "&#x2717;";
        const char* colour = r.Mark == CheckMark::Passes     ? "#1a8a3a"
                             : r.Mark == CheckMark::LookAtIt ? "#b86e00"
                                                             : "#c62828";
        if (i > 0 && i % 2 == 0)
            html += QStringLiteral("</tr><tr>");
        html += QStringLiteral("<td width=\"50%\"><span style=\"color:%1\"><b>%2</b></span> %3")
                    .arg(QLatin1String(colour), QLatin1String(sign), Name(r).toHtmlEscaped());
        if (r.Mark != CheckMark::Passes)
            html += QStringLiteral(" — %1 (%2). %3.")
                        .arg(Problem(r).toHtmlEscaped(), MarkText(r.Mark).toHtmlEscaped(),
                             Advice(r).toHtmlEscaped());
        html += QStringLiteral("</td>");
    }
    setText(results.empty() ? QString() : html + QStringLiteral("</tr></table>"));
}

void TCheckList::setBackdropResults(const std::vector<CheckResult>& replaced) {
    m_replaced = replaced;
    if (!m_measured.empty())
        setResults(m_measured);
}
