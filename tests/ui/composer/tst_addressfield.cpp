#include "compose/AddressBook.h"
#include "ui/composer/AddressChip.h"
#include "ui/composer/AddressField.h"
#include "ui/composer/CompletionPopup.h"
#include "ui/style/Brand.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;

namespace {

AddressBook book()
{
    AddressBook::Builder builder(u"joana@exemplo.pt"_s, 0);
    builder.addRecipient(u"Ana Silva"_s, u"ana@x.pt"_s, 0);
    builder.addRecipient(u"Ana Simões"_s, u"asimoes@y.pt"_s, -86400000);
    builder.addSender(u"Sara"_s, u"sara@z.pt"_s, 0);
    return std::move(builder).build();
}

QStringList chipTexts(const AddressField& field)
{
    QStringList texts;
    for (const AddressChip* chip : field.chips())
        texts.append(chip->text() + (chip->isValid() ? u""_s : u" !"_s) + u" | "_s +
                     chip->toolTip());
    return texts;
}

} // namespace

class TestAddressField : public QObject
{
    Q_OBJECT

    QWidget m_window;
    AddressField* m_field = nullptr;
    QLineEdit* m_next = nullptr;

    QLineEdit* input() const { return m_field->input(); }
    bool offering() const { return m_field->popup() && m_field->popup()->isVisible(); }

private slots:
    void initTestCase() { Brand::apply(*qApp); }

    void init()
    {
        m_field = new AddressField(u"Para"_s, &m_window);
        m_field->setGeometry(10, 10, 500, 30);
        m_next = new QLineEdit(&m_window);
        m_next->setGeometry(10, 300, 200, 30);
        const AddressBook people = book();
        m_field->setCompleter([people](const QString& typed) { return people.matches(typed); });
        m_window.resize(600, 400);
        m_window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window));
        m_field->setFocus();
    }

    void cleanup()
    {
        delete m_field;
        delete m_next;
    }

    /// Real keys: offers follow what is typed, Down and Up move, Enter and
    /// Tab take, Backspace in an empty entry removes a chip.
    void completesWithTheKeyboard()
    {
        QSignalSpy edited(m_field, &AddressField::edited);
        QTest::keyClicks(input(), u"an"_s);
        QVERIFY(offering());
        QCOMPARE(m_field->popup()->contacts().size(), 2);
        QCOMPARE(edited.constLast().first().toString(), u"an"_s);
        QTest::keyClick(input(), Qt::Key_Down);
        QTest::keyClick(input(), Qt::Key_Down);
        QTest::keyClick(input(), Qt::Key_Up);
        QTest::keyClick(input(), Qt::Key_Return);
        QVERIFY(!offering());
        QCOMPARE(chipTexts(*m_field), QStringList{u"Ana Simões | Ana Simões <asimoes@y.pt>"_s});
        QCOMPARE(m_field->text(), u"Ana Simões <asimoes@y.pt>"_s);
        QCOMPARE(edited.constLast().first().toString(), m_field->text());

        QTest::keyClicks(input(), u"SARA"_s);
        QTest::keyClick(input(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), input());
        QCOMPARE(m_field->text(), u"Ana Simões <asimoes@y.pt>, Sara <sara@z.pt>"_s);

        // Nothing offered: Tab leaves, Escape closes the offers.
        QTest::keyClicks(input(), u"a"_s);
        QTest::keyClick(input(), Qt::Key_Escape);
        QVERIFY(!offering());
        QTest::keyClick(input(), Qt::Key_Backspace);
        QTest::keyClick(input(), Qt::Key_Backspace);
        QCOMPARE(m_field->chips().size(), 1);
        QCOMPARE(m_field->text(), u"Ana Simões <asimoes@y.pt>"_s);
        QTest::keyClick(input(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_next);
    }

    void typedAndPastedEntriesBecomeChips_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QStringList>("chips");
        QTest::addColumn<QString>("text");
        QTest::addRow("comma and semicolon")
            << u"rui@x.pt, ana;"_s << QString()
            << QStringList{u"rui@x.pt | rui@x.pt"_s,
                           u"ana ! | ana não é um endereço válido: Falta o @ e o domínio."_s}
            << u"rui@x.pt, ana"_s;
        QTest::addRow("quoted comma, then Enter")
            << u"\"Silva, Ana\" <a@x.pt>\n"_s << QString()
            << QStringList{u"Silva, Ana | Silva, Ana <a@x.pt>"_s} << u"\"Silva, Ana\" <a@x.pt>"_s;
        QTest::addRow("two @") << u"a@b@c.pt,"_s << QString()
                               << QStringList{u"a@b@c.pt ! | a@b@c.pt não é um endereço válido: "
                                              u"Tem mais de um @."_s}
                               << u"a@b@c.pt"_s;
        QTest::addRow("pasted list") << QString() << u"a@x.pt, Rui <r@y.pt>\nsem@"_s
                                     << QStringList{u"a@x.pt | a@x.pt"_s, u"Rui | Rui <r@y.pt>"_s,
                                                    u"sem@ ! | sem@ não é um endereço válido: "
                                                    u"Falta o domínio depois do @."_s}
                                     << u"a@x.pt, Rui <r@y.pt>, sem@"_s;
        QTest::addRow("blank pieces") << u" , ;"_s << QString() << QStringList{} << QString();
    }

    void typedAndPastedEntriesBecomeChips()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QStringList, chips);
        QFETCH(QString, text);
        for (const QChar c : typed) {
            if (c == u'\n')
                QTest::keyClick(input(), Qt::Key_Return);
            else
                QTest::keyClicks(input(), QString(c));
        }
        if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            QTest::keySequence(input(), QKeySequence::Paste);
        }
        QCOMPARE(chipTexts(*m_field), chips);
        QCOMPARE(m_field->text(), text);
        QVERIFY(input()->text().isEmpty());
        // The text reads back into the same chips.
        m_field->setText(text);
        QCOMPARE(chipTexts(*m_field), chips);
    }

    /// A reply to many: the chips wrap onto lines of the field's own width
    /// rather than widening it, and the input keeps room on the last line.
    void manyChipsWrapWithinTheWidth()
    {
        QStringList many;
        for (int i = 0; i < 12; ++i)
            many.append(u"Pessoa Número %1 <pessoa%1@exemplo.pt>"_s.arg(i));
        m_field->setText(many.join(u", "_s));
        QVERIFY(m_field->minimumSizeHint().width() < 500);
        const int height = m_field->heightForWidth(500);
        QVERIFY(height > 3 * 30);
        m_field->resize(500, height);
        QApplication::processEvents();
        for (const AddressChip* chip : m_field->chips())
            QVERIFY(m_field->rect().contains(chip->geometry()));
        QVERIFY(m_field->rect().contains(input()->geometry()));
        QVERIFY(input()->width() >= 80);
    }
};

QTEST_MAIN(TestAddressField)
#include "tst_addressfield.moc"
