#pragma once

// English and German scripts read by espeak-ng in the speech-following
// benchmark and tests, with a reading that leaves out a sentence and adds
// words of its own, and speech that is none of the scripts.

namespace tandrel::bench {

struct FollowScript
{
    const char *name;
    const char *language; // "en", "de"
    const char *text;
    const char *skippedSentence; // left out of the off-script reading
    const char *adLibAfter; // the off-script reading adds words after this sentence start...
    const char *adLib; // ...namely these
};

inline constexpr FollowScript followScripts[] = {
        {"morning", "en",
         "Good morning and welcome back to the studio. Today we look at three simple habits that make your "
         "recordings better. First, find a quiet room and close the windows before you start. Small noises "
         "from the street travel further than you think. Second, place the camera at the height of your "
         "eyes, "
         "so that people feel you are talking to them and not above them. Third, read your script out loud "
         "once before the take. You will notice long sentences and hard words, and you can change them while "
         "there is still time. That is all for today. Thank you for watching, and see you in the next video.",
         "Small noises from the street travel further than you think.", "Third, read your script",
         "and honestly this one matters most"},
        {"garden", "en",
         "Every spring the garden behind our house turns green within a few weeks. The first flowers open "
         "near "
         "the old stone wall, where the sun warms the ground early in the morning. My grandmother planted "
         "most "
         "of these roses many years ago, and she still visits them every weekend. She tells me which plants "
         "need "
         "water and which ones want to be left alone. Last year we built a small wooden bench under the "
         "apple "
         "tree. In the evening we sit there and listen to the birds while the light fades slowly. Some "
         "neighbours bring fresh bread and cheese, and the children run around the lawn until it gets dark. "
         "When autumn comes we collect the apples and store them in the cellar for the winter. The garden "
         "teaches patience, because nothing grows faster when you pull on it. I hope you enjoyed this little "
         "tour, and maybe it makes you want to plant something of your own this year.",
         "Last year we built a small wooden bench under the apple tree.", "When autumn comes",
         "which by the way is my favourite season"},
        {"travel", "en",
         "Travelling by train across the country is slower than flying, but it shows you so much more. You "
         "leave the city in the early morning and watch the suburbs give way to fields and forests. Around "
         "noon "
         "the train climbs into the mountains, and the valleys below are covered in fog. People around you "
         "read "
         "books, play cards or simply look out of the window. Nobody is in a hurry, and the conductor knows "
         "many passengers by name. In the dining car you can order a warm meal and a cup of coffee for a "
         "fair "
         "price. The tables are small, so you often share one with strangers who become friends for an "
         "afternoon. I met a retired teacher who had made this journey more than forty times. He told me "
         "stories about the old steam engines and the winters when the tracks were buried in snow. By the "
         "time "
         "the sun went down we reached the coast, and the sea appeared between the hills like a silver line. "
         "If you ever have a free week, leave the car at home, buy a ticket and let the landscape come to "
         "you. "
         "You will arrive tired, but you will also arrive with stories of your own.",
         "People around you read books, play cards or simply look out of the window.", "In the dining car",
         "and I really mean this you should try it"},
        {"werkstatt", "de",
         "Willkommen zurück in meiner kleinen Werkstatt. Heute zeige ich euch, wie man aus alten "
         "Holzbrettern ein einfaches Regal für die Küche baut. Zuerst schleifen wir die Bretter gründlich ab, "
         "bis die Oberfläche glatt ist und keine Splitter mehr übrig bleiben. Danach messen wir die Wand aus "
         "und zeichnen mit einem Bleistift an, wo die Halterungen hin sollen. Achtet darauf, dass ihr keine "
         "Leitungen in der Wand trefft. Für die Schrauben nehme ich Dübel aus dem Baumarkt, die halten auch "
         "schwere Töpfe und Gläser. Zum Schluss streichen wir das Holz mit Leinöl, damit es Feuchtigkeit "
         "besser verträgt. Das ganze Projekt dauert ungefähr zwei Stunden und kostet weniger als zwanzig "
         "Euro. Schreibt mir gerne in die Kommentare, was ihr als Nächstes bauen wollt.",
         "Achtet darauf, dass ihr keine Leitungen in der Wand trefft.", "Zum Schluss streichen",
         "und ehrlich gesagt ist das mein liebster Teil"},
        {"fahrrad", "de",
         "Wer im Winter mit dem Fahrrad zur Arbeit fährt, braucht ein wenig Vorbereitung. Das Wichtigste ist "
         "gutes Licht, denn morgens und abends ist es lange dunkel. Prüft vor jeder Fahrt, ob Scheinwerfer "
         "und Rücklicht funktionieren. Die Reifen sollten nicht zu stark aufgepumpt sein, weil sie auf "
         "nasser Straße sonst schneller rutschen. Viele Leute unterschätzen auch die Kälte an den Händen. "
         "Warme Handschuhe und eine dünne Mütze unter dem Helm machen einen großen Unterschied. Nach der "
         "Fahrt lohnt es sich, die Kette kurz abzuwischen, denn Salz und Schmutz greifen das Metall an. "
         "Einmal im Monat solltet ihr die Bremsen kontrollieren lassen. Mit diesen einfachen Regeln kommt "
         "ihr sicher durch die kalte Jahreszeit und spart dabei auch noch Geld für Bus und Bahn.",
         "Viele Leute unterschätzen auch die Kälte an den Händen.", "Einmal im Monat",
         "das habe ich selbst auf die harte Tour gelernt"},
};

// Small talk that shares no sentence with any script (though some common
// words, as real chatter does); about 17 seconds at 160 words a minute.
inline constexpr const char *unrelatedMonologue(const char *language)
{
    return language[0] == 'd'
            ? "Hallo zusammen, und danke, dass ihr heute wieder dabei seid. Bevor wir anfangen, muss ich "
              "erzählen, wie kalt es heute Morgen auf dem Weg hierher war. Im Radio hieß es, dass es am "
              "Freitag schneien könnte, zum ersten Mal in diesem Jahr. Jedenfalls hoffe ich, dass ihr alle "
              "ein erholsames Wochenende mit euren Familien hattet."
            : "Hello everybody, and thanks for joining me today. Before we begin, let me say how cold it "
              "was this morning when I walked over here. The radio said it might snow on Friday, which would "
              "be the first time this year. Anyway, I hope all of you had a relaxing weekend with your "
              "families.";
}
// About ten seconds of checking the setup before reading.
inline constexpr const char *chatterBeforeTheTake(const char *language)
{
    return language[0] == 'd'
            ? "Okay, läuft das schon? Hört man mich da hinten? Gut, ich schaue nur noch kurz in meine Notizen, "
              "und dann können wir anfangen."
            : "Okay, is this thing on? Can you hear me at the back? Great, let me just check my notes for a "
              "second and then we can start.";
}

} // namespace tandrel::bench
