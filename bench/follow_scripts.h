#pragma once

// English scripts read by espeak-ng in the speech-following benchmark and
// tests, with a reading that leaves out a sentence and adds words of its own,
// and speech that is none of the scripts.

namespace tandrel::bench {

struct FollowScript
{
    const char *name;
    const char *text;
    const char *skippedSentence; // left out of the off-script reading
    const char *adLibAfter; // the off-script reading adds words after this sentence start...
    const char *adLib; // ...namely these
};

inline constexpr FollowScript followScripts[] = {
        {"morning",
         "Good morning and welcome back to the studio. Today we look at three simple habits that make your "
         "recordings better. First, find a quiet room and close the windows before you start. Small noises "
         "from the street travel further than you think. Second, place the camera at the height of your "
         "eyes, "
         "so that people feel you are talking to them and not above them. Third, read your script out loud "
         "once before the take. You will notice long sentences and hard words, and you can change them while "
         "there is still time. That is all for today. Thank you for watching, and see you in the next video.",
         "Small noises from the street travel further than you think.", "Third, read your script",
         "and honestly this one matters most"},
        {"garden",
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
        {"travel",
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
};

// Small talk that shares no sentence with any script (though some common
// words, as real chatter does); about 17 seconds at 160 words a minute.
inline constexpr const char *unrelatedMonologue
        = "Hello everybody, and thanks for joining me today. Before we begin, let me say how cold it "
          "was this morning when I walked over here. The radio said it might snow on Friday, which would "
          "be the first time this year. Anyway, I hope all of you had a relaxing weekend with your "
          "families.";
// About ten seconds of checking the setup before reading.
inline constexpr const char *chatterBeforeTheTake
        = "Okay, is this thing on? Can you hear me at the back? Great, let me just check my notes for a "
          "second and then we can start.";

} // namespace tandrel::bench
