// The reference card and the programs of real gallery runs on the test's own
// X server. Every program is compiled as its comment says and run; its window
// is compared whole with its picture, and Escape ends it with status 0. Each
// card passes tidy and is opened in headless Chromium: its text as shown,
// every picture as shown and loaded and every link are as the card's
// reference, tests/reference/card-*.txt.

#include "edge_counts.h"
#include "gallery_scratch.h"

#include "x_window.h"

#include <regex>

namespace {

// Where tests/card_check.js puts what Chromium shows.
constexpr char SEEN[] = "<script type=\"text/plain\">";

class Card : public GalleryScratch, protected WindowedProgram {
protected:
    // Runs the gallery into pics: the names of the pictures it lists, without .png.
    std::vector<std::string> gallery(const std::string& args)
    {
        fs::remove_all(scratch / "pics");
        // Standard error is the gallery tests' to check: a table this wide warns.
        EXPECT_EQ(run("$G " + args + " pics"), "exit 0") << args << ": " << err;
        std::vector<std::string> pictures;
        std::smatch picture;
        for (const std::string& line : split(out, '\n')) {
            if (std::regex_search(line, picture, std::regex("^([0-9]+-[^\t]*)\\.png\t")))
                pictures.push_back(picture[1]);
        }
        return pictures;
    }

    // The card of the last run passes tidy with no more than HTML5's lazy loading,
    // which it does not know. Chromium shows it as its reference says, as
    // tests/card_check.js reads it; the top of the default card is as its
    // screenshot.
    void expectCard(const std::string& name, bool writing)
    {
        run("tidy -q -e pics/index.html");
        EXPECT_EQ(std::regex_replace(err, std::regex(".*proprietary attribute \"loading\"\n"), ""), "") << name;
        std::string page = readText(scratch / "pics/index.html");
        std::ofstream(scratch / "pics/check.html")
            << page.insert(page.rfind("</body>"),
                           "<script>" + readText(fs::path(VARENTHE_SOURCE) / "tests/card_check.js") + "</script>\n");
        // Virtual time stands still while a picture loads, and the page is taken
        // once the script has run out of things to wait for.
        const std::string chromium = "chromium --headless --no-sandbox --disable-gpu --no-first-run "
                                     "--disable-background-networking --user-data-dir=profile --hide-scrollbars "
                                     "--window-size=1280,900 --virtual-time-budget=600000 ";
        run(chromium + "--dump-dom file://$PWD/pics/check.html");
        const std::size_t start = out.find(SEEN), end = out.rfind("</script>");
        const std::string seen = start < end && end != std::string::npos
                                     ? out.substr(start + sizeof SEEN - 1, end - start - sizeof SEEN + 1)
                                     : "Chromium gave no report:\n" + out + err;
        expectAsReference(seen, "card-" + name + ".txt", writing);
        // A busy machine may leave a picture unpainted when the screenshot is
        // taken; it is taken again then, twice at most.
        for (int shot = 0; name == "default" && shot < 3; ++shot) {
            run(chromium + "--screenshot=shot.png file://$PWD/pics/index.html");
            if (differences(picture("shot.png"), readPng(REFERENCES / "card.png")).empty())
                break;
        }
        if (name == "default") {
            ASSERT_NO_FATAL_FAILURE(expectAsReference(picture("shot.png"), "card.png", writing));
        }
    }

    // Each program compiles with the command in its comment and draws its
    // picture in a window titled with the picture's name; Escape ends it with
    // status 0.
    void expectProgramsDrawTheirPictures(const std::vector<std::string>& pictures)
    {
        ASSERT_EQ(run("cd pics && ls *.c | xargs -P 2 -I{} sh -c "
                      "'cc -std=c99 -Wall -Werror \"$0\" -lglut -lGLU -lGL -lm -o \"${0%.c}\" 2>&1' {}"),
                  "exit 0")
            << out;
        for (const std::string& stem : pictures) {
            // A line of the axes may fall on another pixel in a window than in a
            // framebuffer. The first program that fails ends the test, rather
            // than each one waiting for a picture that does not come.
            ASSERT_EQ(launch("exec " + (scratch / "pics" / stem).string(), "^" + stem + "\\.png$",
                             picture("pics/" + stem + ".png"), 4),
                      "")
                << stem;
            ASSERT_EQ(escape(), 0) << stem;
        }
    }
};

// A table of the most columns, whose cells on the sheet are narrower than a
// letter, without programs; the default run; and a table at freeglut's limits
// for equal counts of pictures too large to be shown whole, with keys that
// HTML would take for its own or that are not shown as they are (a tilde, a
// byte that is not UTF-8, a tab) and a camera whose numbers have no short
// decimal form, two of whose programs are as tests/reference/programs.txt.
TEST_F(Card, ShowsEveryPictureAndItsProgramDrawsIt)
{
    for (const bool writing : PASSES) {
        gallery("--size 1 --shapes 24 --counts $(seq -s, 1000)");
        ASSERT_NO_FATAL_FAILURE(expectCard("thousand", writing));
        const std::vector<std::string> pictures = gallery("--programs");
        ASSERT_NO_FATAL_FAILURE(expectCard("default", writing));
        ASSERT_NO_FATAL_FAILURE(expectProgramsDrawTheirPictures(pictures));
        ASSERT_NO_FATAL_FAILURE(
            expectProgramsDrawTheirPictures(gallery("--programs --shapes 20-23,26,27 --counts 1,254,255,256,257 --size "
                                                    "401 --keys '<b>&~'$'\\xff\\t''zzzXXWWy'")));
        ASSERT_NO_FATAL_FAILURE(expectCard("table", writing));
        expectAsReference(readText(scratch / "pics/27-glut-solidtorus-1x1.c") +
                              readText(scratch / "pics/22-glut-wirecone-255x255.c"),
                          "programs.txt", writing);
    }
}

// The shapes that take counts, at every count where what is drawn changes.
TEST_F(Card, ProgramsDrawEveryEdgeCount)
{
    for (const auto& [s, t] : EDGE_COUNTS)
        ASSERT_NO_FATAL_FAILURE(expectProgramsDrawTheirPictures(
            gallery("--programs --size 64 --shapes 2-11,20-23,26,27 --keys " + keysFor(s, t))));
}

} // namespace
