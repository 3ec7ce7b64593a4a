#include "speech/anchored_transcript.h"
#include "speech/script_aligner.h"

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

const QString script = QStringLiteral(
        "Good morning and welcome back to the studio. Today we look at three simple habits that make your "
        "recordings better. First, find a quiet room and close the windows before you start. Small noises "
        "from the street travel further than you think. Second, place the camera at the height of your "
        "eyes.");

qint64 tokenOf(const QList<Token> &tokens, const QString &word, qint64 from = 0)
{
    for (qint64 t = from; t < tokens.size(); ++t) {
        if (tokens[t].normalized == word)
            return t;
    }
    return -1;
}

} // namespace

TEST(AnchoredTranscript, MovesOnlyWhereTheTranscriptIsConfidentlyTheScript)
{
    const QList<Token> tokens = ScriptAligner::tokenize(script);
    const qint64 all = tokens.size();
    const qint64 afterHabits = tokenOf(tokens, "habits") + 1;
    const qint64 afterStart = tokenOf(tokens, "start") + 1;
    const qint64 afterHeight = tokenOf(tokens, "height") + 1;
    const struct
    {
        const char *transcript;
        qint64 position;
    } cases[] = {
            {"", 0},
            {"good morning and welcome back to the studio", 8},
            // Misheard words inside the reading are stepped over.
            {"good morning and welcome bag to the studio today we look at three simple habits", afterHabits},
            // Chatter of common words that the script also holds moves nothing.
            {"okay so we look at the weather and you know it is cold", 0},
            {"are you there the and to you the we can your", 0},
            // After chatter the reading is picked up within three words.
            {"hello everybody how are you doing good morning and welcome", 4},
            // An ad-lib inside the reading holds the position; the return to
            // the script moves it on.
            {"good morning and welcome back to the studio and honestly this matters a lot", 8},
            {"good morning and welcome back to the studio and honestly this matters a lot today we look at "
             "three",
             13},
            // A skipped paragraph, further than the aligner's window, is
            // bridged once five words in a row follow the script there.
            {"good morning and welcome back to the studio second place the camera at the height",
             afterHeight},
            {"good morning and welcome back to the studio second place the camera", 8},
            // A repeated sentence neither moves the position back nor on.
            {"good morning and welcome back to the studio today we look at three simple habits "
             "three simple habits that make your recordings better first find a quiet room and close the "
             "windows before you start",
             afterStart},
            {"good morning and welcome back to the studio today we look at three simple habits that make "
             "your "
             "recordings better first find a quiet room and close the windows before you start small noises "
             "from the street travel further than you think second place the camera at the height of your "
             "eyes",
             all},
    };
    for (const auto &c : cases) {
        const QString transcript = QString::fromUtf8(c.transcript);
        EXPECT_EQ(anchoredPosition(tokens, ScriptAligner::spokenWords(transcript)), c.position)
                << c.transcript;
        // The aligner, whose rules are untouched, reaches exactly that position.
        ScriptAligner aligner;
        aligner.replaceScript(script);
        aligner.ingest(anchoredTranscript(tokens, transcript), true);
        EXPECT_EQ(aligner.cursor(), c.position) << c.transcript;
    }
}
