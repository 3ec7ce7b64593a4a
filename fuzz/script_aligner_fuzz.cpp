// The script aligner driven by a script and a run of recognitions, script
// changes and direct writes: its position keeps within the script, and the
// transcript walk agrees with the word-list walk.
#include "fuzz/fuzz_targets.h"

#include "fuzz/fuzz_input.h"
#include "speech/script_aligner.h"

namespace tandrel::fuzz {

namespace {

void checkTokens(const ScriptAligner &aligner)
{
    const QList<Token> &tokens = aligner.tokens();
    qint64 previousEnd = 0, paragraph = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &t = tokens.at(i);
        expect(t.index == i, "tokens are numbered in order");
        expect(t.offset >= previousEnd && t.length > 0 && t.offset + t.length <= aligner.script().size(),
               "tokens lie in the script, one after the other");
        expect(t.raw == aligner.script().mid(t.offset, t.length),
               "a token's raw text is its piece of the script");
        expect(t.paragraph >= paragraph, "paragraphs never go back");
        previousEnd = t.offset + t.length;
        paragraph = t.paragraph;
    }
}

void checkPosition(const ScriptAligner &aligner)
{
    expect(aligner.cursor() >= 0 && aligner.cursor() <= aligner.tokens().size(),
           "the cursor stays within [0, token count]");
    expect(aligner.lookahead() >= 0, "the lookahead is never negative");
}

} // namespace

int scriptAligner(const quint8 *data, size_t size)
{
    FuzzInput in(data, size);
    ScriptAligner aligner;
    aligner.replaceScript(in.text(4096));
    checkTokens(aligner);
    checkPosition(aligner);
    for (int step = 0; step < 64 && !in.atEnd(); ++step) {
        switch (in.below(5)) {
        case 0:
        case 1: {
            const bool isFinal = in.boolean();
            const QString text = in.text(512);
            const qint64 before = aligner.cursor();
            aligner.ingest(text, isFinal);
            const qint64 walked = ScriptAligner::alignedPosition(
                    ScriptAligner::spokenWords(text), aligner.tokens(), ScriptAligner::alignmentWindow);
            if (isFinal) {
                expect(aligner.cursor() == walked && aligner.lookahead() == 0,
                       "a final transcript sets the cursor where the word-list walk ends");
            } else {
                expect(aligner.cursor() == before || aligner.tokens().isEmpty(),
                       "a pending transcript leaves the cursor");
                expect(aligner.lookahead() == std::max<qint64>(walked - aligner.cursor(), 0),
                       "a pending transcript reaches as far as the word-list walk");
            }
            break;
        }
        case 2: {
            const ScriptAligner before = aligner;
            const QString script = in.boolean() ? aligner.script() : in.text(1024);
            aligner.replaceScript(script);
            expect(aligner.script() == script && aligner.tokens() == ScriptAligner::tokenize(script),
                   "a new script is taken whole");
            if (script == before.script() && !before.tokens().isEmpty())
                expect(aligner == before, "an unchanged script changes nothing");
            else
                expect(aligner.lookahead() == 0, "a new script drops the lookahead");
            checkTokens(aligner);
            break;
        }
        case 3:
            aligner.setCursor(in.integral<qint64>());
            break;
        default:
            aligner.setLookahead(in.integral<qint64>());
            break;
        }
        checkPosition(aligner);
    }
    return 0;
}

} // namespace tandrel::fuzz
