#include "tests/common/LangTestComponents.h"

#include <QtEndian>

namespace {

// A list that, like a combo box, loses its selection when a line changes.
class TestStrings final : public ILangStrings {
public:
    TestStrings(QStringList& lines, TestNode& node) : m_lines(lines), m_node(node) {}
    int Count() const override { return int(m_lines.size()); }
    QString Line(int index) const override { return m_lines.at(index); }
    void SetLine(int index, const QString& text) override {
        m_lines[index] = text;
        if (m_node.ordinals.count(QStringLiteral("itemindex")))
            m_node.ordinals[QStringLiteral("itemindex")] = -1;
    }

private:
    QStringList& m_lines;
    TestNode& m_node;
};

class TestView final : public ILangComponent {
public:
    explicit TestView(TestNode& node) : m_node(node) {}
    QString Name() const override { return m_node.name; }
    std::vector<std::unique_ptr<ILangComponent>> Owned() const override {
        std::vector<std::unique_ptr<ILangComponent>> views;
        for (auto& child : m_node.owned)
            views.push_back(ViewOf(*child));
        return views;
    }
    bool IsWindow() const override { return m_node.window; }
    bool HasProperty(const QString& name) const override {
        const QString key = name.toLower();
        return m_node.texts.count(key) || m_node.ordinals.count(key) || m_node.lists.count(key) ||
               (key == QLatin1String("font") && m_node.font);
    }
    QString GetText(const QString& name) const override {
        const auto it = m_node.texts.find(name.toLower());
        return it == m_node.texts.end() ? QString() : it->second;
    }
    void SetText(const QString& name, const QString& value) override {
        m_node.texts[name.toLower()] = value;
    }
    int GetOrdinal(const QString& name) const override {
        const auto it = m_node.ordinals.find(name.toLower());
        return it == m_node.ordinals.end() ? 0 : it->second;
    }
    void SetOrdinal(const QString& name, int value) override {
        m_node.ordinals[name.toLower()] = value;
    }
    ILangStrings* Strings(const QString& name) override {
        const auto it = m_node.lists.find(name.toLower());
        if (it == m_node.lists.end())
            return nullptr;
        m_strings = std::make_unique<TestStrings>(it->second, m_node);
        return m_strings.get();
    }
    bool GetFont(LangFont& font) const override {
        if (m_node.font)
            font = *m_node.font;
        return bool(m_node.font);
    }
    void SetFont(const LangFont& font) override { m_node.font = font; }

private:
    TestNode& m_node;
    std::unique_ptr<TestStrings> m_strings;
};

} // namespace

TestNode& TestNode::Add(const QString& childName, bool isWindow) {
    owned.push_back(std::make_unique<TestNode>());
    owned.back()->name = childName;
    owned.back()->window = isWindow;
    return *owned.back();
}

std::unique_ptr<ILangComponent> ViewOf(TestNode& node) {
    return std::make_unique<TestView>(node);
}

QByteArray RawInt(int32_t value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<int32_t>(value, bytes.data());
    return bytes;
}

QByteArray RawStore(const QByteArray& signature, int32_t count,
                    const std::vector<RawRecord>& records) {
    QByteArray file = signature + RawInt(count);
    for (const RawRecord& r : records)
        file += RawInt(int32_t(r.data.size() + 8)) + RawInt(r.tag) + r.data +
                RawInt(int32_t(r.data.size() + 12));
    return file;
}

std::vector<RawRecord> RawHeader(int revision, uint16_t languageId, int charset,
                                 const QByteArray& title, const QByteArray& detail) {
    std::vector<RawRecord> h = {
        {0, RawInt(revision << 16 | languageId)}, {1, title}, {2, "Name"}, {3, detail},
        {4, "Note one\r\nNote two\r\n"},          {5, {}}};
    if (revision == 0)
        return h;
    h.push_back({512, RawInt(0x0201000F)});
    if (revision >= 2) {
        h.push_back({516, RawInt(7)});
        h.push_back({517, "Aux one"});
        h.push_back({518, "Aux two"});
    }
    h.push_back({513, "IME"});
    h.push_back({514, "Tahoma"});
    h.push_back({515, RawInt(charset)});
    if (revision == 4)
        h.push_back({516, RawInt(11)});
    return h;
}

std::vector<std::pair<QString, QByteArray>> SeedPacks() {
    std::vector<std::pair<QString, QByteArray>> seeds;
    for (int revision = 0; revision <= 4; ++revision) {
        std::vector<RawRecord> records = RawHeader(revision, 0x040C, revision ? 204 : 0);
        if (revision == 0) {
            records.insert(records.end(), {{6, "MainDlg.print_btn"},
                                           {0, "Imprimer"},
                                           {0, "Imprime"},
                                           {12, "MainDlg.main_ts"},
                                           {0, "France\r\nCanada\r\n"}});
        } else {
            records.push_back({531, "MainDlg.format_cmb"});
            if (revision >= 3)
                records.push_back({768, RawInt(revision == 3 ? 1 : 2)});
            records.insert(
                records.end(),
                {{0x21, "\xc0\xe1\xe2"}, {0x32, "Hint\rline"}, {0x23, "A\r\nB\nC\rD\r\n"}});
        }
        seeds.emplace_back(QStringLiteral("rev%1.SPK").arg(revision),
                           RawStore("QTL LANGUAGE FILE", int(records.size()), records));
    }
    return seeds;
}

std::unique_ptr<TestNode> SeedComponents() {
    auto app = std::make_unique<TestNode>();
    TestNode& main = app->Add(QStringLiteral("MainDlg"), true);
    main.texts[QStringLiteral("caption")] = QStringLiteral("Quillmark");
    main.font = LangFont{QStringLiteral("MS Sans Serif"), 8, 1};
    TestNode& print = main.Add(QStringLiteral("print_btn"));
    print.texts = {{QStringLiteral("caption"), QStringLiteral("Print Now")},
                   {QStringLiteral("hint"), QStringLiteral("Print")}};
    print.ordinals = {{QStringLiteral("showhint"), 0}, {QStringLiteral("alignment"), 0}};
    TestNode& combo = main.Add(QStringLiteral("format_cmb"));
    combo.lists[QStringLiteral("items")] = {QStringLiteral("A"), QStringLiteral("B")};
    combo.ordinals[QStringLiteral("itemindex")] = 0;
    combo.font = LangFont{QStringLiteral("Arial"), 7, 0};
    TestNode& ts = main.Add(QStringLiteral("main_ts"));
    ts.lists[QStringLiteral("items")] = {QStringLiteral("France"), QStringLiteral("Canada")};
    return app;
}
