#include "compose/ComposerSession.h"
#include "platform/QSettingsStore.h"
#include "spelling/ComposerSpelling.h"
#include "spelling/SpellingService.h"
#include "ui/composer/ComposerBodyEdit.h"
#include "ui/composer/ComposerView.h"
#include "ui/composer/LineEditSpelling.h"

#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace Qt::StringLiterals;
using namespace vesk;

namespace {

std::shared_ptr<SpellingService> serviceIn(const QTemporaryDir& folder)
{
    return std::make_shared<SpellingService>(
        SpellDictionaries({QStringLiteral(VESK_TEST_DICTIONARIES)}), folder.path(),
        std::make_shared<QSettingsStore>(folder.filePath(u"settings.ini"_s)));
}

/// A composer with a closed account: spelling needs no Google.
struct Composer
{
    ComposerSession session{ComposerSession::Mode::New, ComposerAccount{}};
    ComposerView view{session};

    Composer(std::shared_ptr<SpellingService> service, const QString& body = {})
    {
        session.setBody(body);
        view.setSpelling(std::move(service));
        view.resize(640, 480);
        view.show();
    }
};

QTextCursor find(ComposerBodyEdit* body, const QString& word)
{
    return body->document()->find(word, 0, QTextDocument::FindWholeWords);
}

/// Whether the body underlines `word` as misspelt, as its layout draws it.
bool isMarked(ComposerBodyEdit* body, const QString& word)
{
    const QTextCursor found = find(body, word);
    if (found.isNull())
        return false;
    const QTextBlock block = found.block();
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.start == found.selectionStart() - block.position() &&
            range.length == word.size() &&
            range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
            return true;
    }
    return false;
}

std::unique_ptr<QMenu> bodyMenuOn(ComposerBodyEdit* body, const QString& word)
{
    return body->contextMenuAt(body->cursorRect(find(body, word)).center());
}

QAction* action(const QMenu& menu, const QString& text)
{
    for (QAction* candidate : menu.actions()) {
        if (candidate->text() == text)
            return candidate;
        if (candidate->menu())
            if (QAction* inner = action(*candidate->menu(), text))
                return inner;
    }
    return nullptr;
}

/// Pixels of the underline's red in what the field draws.
int redPixels(QWidget* field)
{
    const QImage image = field->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 180 && c.green() < 140 && c.blue() < 140 ? 1 : 0;
        }
    }
    return count;
}

/// A point of the field over the character at `position`.
QPoint pointAt(QLineEdit* field, int position)
{
    for (int x = 0; x < field->width(); ++x) {
        if (field->cursorPositionAt({x, field->height() / 2}) == position)
            return {x + 1, field->height() / 2};
    }
    return {};
}

} // namespace

class TestSpelling : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bodyMarksCorrectsAndLearns()
    {
        QTemporaryDir folder;
        {
            Composer composer(serviceIn(folder));
            ComposerBodyEdit* body = composer.view.bodyEditor();
            QTRY_VERIFY(composer.view.spelling()->isReady());
            body->setFocus();
            QTest::keyClicks(body, u"Bom dia coracao Vesk"_s);
            QTRY_VERIFY(isMarked(body, u"coracao"_s));
            QVERIFY(isMarked(body, u"Vesk"_s));
            QVERIFY(!isMarked(body, u"dia"_s));

            std::unique_ptr<QMenu> menu = bodyMenuOn(body, u"coracao"_s);
            QVERIFY(menu->findChild<QAction*>(u"edit-paste"_s)); // the standard ones stay
            QVERIFY(action(*menu, u"coração"_s));
            action(*menu, u"coração"_s)->trigger();
            QCOMPARE(composer.session.body(), u"Bom dia coração Vesk"_s);
            QTRY_VERIFY(!isMarked(body, u"coração"_s));
            body->undo(); // one step back to what was typed
            QCOMPARE(body->toPlainText(), u"Bom dia coracao Vesk"_s);

            menu = bodyMenuOn(body, u"Vesk"_s);
            action(*menu, u"Adicionar ao dicionário"_s)->trigger();
            QTRY_VERIFY(!isMarked(body, u"Vesk"_s));
            QVERIFY(isMarked(body, u"coracao"_s));
        }
        // After a restart: a new service over the same folder. The body is
        // long, so its end is checked in later slices, not at once.
        Composer later(serviceIn(folder),
                       u"Vesk e coracao\n"_s + u"texto\n"_s.repeated(5000) + u"mensagen"_s);
        QTRY_VERIFY(isMarked(later.view.bodyEditor(), u"coracao"_s));
        QVERIFY(!isMarked(later.view.bodyEditor(), u"Vesk"_s));
        QTRY_VERIFY(isMarked(later.view.bodyEditor(), u"mensagen"_s));
    }

    void subjectMarksAndLanguageIsRemembered()
    {
        QTemporaryDir folder;
        const auto service = serviceIn(folder);
        Composer composer(service);
        QLineEdit* subject = composer.view.subjectField();
        QTRY_VERIFY(composer.view.spelling()->isReady());
        QTest::keyClicks(subject, u"Bom texto"_s);
        QCOMPARE(redPixels(subject), 0);
        QTest::keyClicks(subject, u" mensagen"_s);
        QCOMPARE(composer.view.subjectSpelling()->misspelt(), (QList<WordSpan>{{10, 8}}));
        QVERIFY(redPixels(subject) > 0);

        std::unique_ptr<QMenu> menu =
            composer.view.subjectSpelling()->contextMenuAt(pointAt(subject, 12));
        QVERIFY(action(*menu, u"mensagem"_s));
        action(*menu, u"mensagem"_s)->trigger();
        QCOMPARE(composer.session.subject(), u"Bom texto mensagem"_s);
        QCOMPARE(redPixels(subject), 0);
        subject->undo();
        QCOMPARE(subject->text(), u"Bom texto mensagen"_s);

        // Another language for this composer, and for the next ones.
        menu = composer.view.subjectSpelling()->contextMenuAt(pointAt(subject, 1));
        const QString english = SpellDictionaries::displayName(u"en_US"_s);
        QVERIFY(action(*menu, english));
        action(*menu, english)->trigger();
        QTRY_COMPARE(composer.view.subjectSpelling()->misspelt().size(), 3);
        QCOMPARE(ComposerSpelling(service).language(), u"en_US"_s);
    }
};

QTEST_MAIN(TestSpelling)
#include "tst_spelling.moc"
