// The reference card and the programs of real gallery runs on the test's own
// X server. Every program is compiled as its comment says and run; its window
// is compared whole with its picture, and Escape ends it with status 0. Each
// card passes tidy and is opened in headless Chromium, which shows every
// caption and loads every picture.

#include "edge_counts.h"
#include "pixels.h"

#include "render/frame.h"
#include "render/shapes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
extern "C" {
#include <xdo.h>
}
#include "window_image.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A picture as the gallery lists it.
struct Listed {
    std::string name, label;
    int shape, slices, stacks;
};

// Brings every picture into view and waits until it has loaded or failed;
// then the page's text as shown, the pictures' sizes shown and loaded (0 for
// one that did not load), and every link and source, back at the top of the
// page.
constexpr char CHECK[] = R"(
(async () => {
  for (const image of document.images) {
    image.scrollIntoView();
    if (!image.complete) await new Promise(done => { image.onload = image.onerror = done; });
  }
  scrollTo(0, 0);
  return { text: document.body.innerText,
           sizes: [...new Set([...document.images].map(image => image.width + " of " + image.naturalWidth + " " + image.loading))],
           links: [...document.querySelectorAll("[href], [src]")].map(e => e.getAttribute("href") ?? e.getAttribute("src")) };
})())";

const fs::path REFERENCES = VARENTHE_REFERENCES;

class Card : public testing::Test {
protected:
    Card()
    {
        fs::create_directories(scratch);
        // Under the sanitizers only the gallery gets their runtime, not the
        // compiler, the programs or the browser.
        const char* preload = std::getenv("LD_PRELOAD");
        gallery = (preload != nullptr ? "env LD_PRELOAD=" + std::string(preload) + " " : "") + VARENTHE_GALLERY;
        unsetenv("LD_PRELOAD");
        signal(SIGPIPE, SIG_IGN);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        xdo = xdo_new(nullptr);
    }
    ~Card() override
    {
        xdo_free(xdo);
        fs::remove_all(scratch);
    }

    // Runs the command by sh in the scratch folder: its status, its standard output in said.
    int shell(const std::string& command)
    {
        FILE* pipe = popen(("cd '" + scratch.string() + "' && " + command).c_str(), "r");
        said.clear();
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            said.append(buffer, got);
        return pclose(pipe);
    }

    // Polls until done, for 30 seconds at most.
    template <typename Done>
    static bool waitFor(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
        }
        return true;
    }

    std::vector<Listed> run(const std::string& args);
    void expectProgramsDrawTheirPictures(const std::vector<Listed>& pictures);
    json browse();
    std::vector<Listed> expectCard(const std::string& args, const std::string& keys, int size,
                                   const std::string& reference);

    const fs::path scratch = fs::path(testing::TempDir()) / ("varenthe-card-" + std::to_string(getpid()));
    const fs::path pics = scratch / "pics";
    std::string gallery, said;
    xdo_t* xdo = nullptr;
};

// Runs the gallery with --programs into pics: each program is listed right
// after its picture, and the card right after the sheet, with its fields.
std::vector<Listed> Card::run(const std::string& args)
{
    fs::remove_all(pics);
    // Standard error is the gallery tests' to check: a table this wide warns.
    EXPECT_EQ(shell(gallery + " --programs " + args + " pics 2>err"), 0) << args << ": " << said;
    std::vector<Listed> pictures;
    std::istringstream lines(said);
    std::string expected, line;
    while (std::getline(lines, line) && line.rfind("contact-sheet.png\t", 0) != 0) {
        std::istringstream fields(line);
        Listed p{};
        std::getline(fields, p.name, '\t');
        std::getline(fields, p.label, '\t');
        fields >> p.slices >> p.stacks;
        p.shape = std::stoi(p.name);
        pictures.push_back(p);
        expected += line + "\n" + std::regex_replace(line, std::regex("^([^\t]*)\\.png"), "$1.c") + "\n";
        std::getline(lines, line);
    }
    expected += line + "\nindex.html\treference card" + line.substr(line.find("sheet\t") + 5) + "\n";
    EXPECT_EQ(said, expected) << args;
    return pictures;
}

// Each program compiles with the command in its comment, shows the calls of
// the caption of its picture, and draws that picture in a window titled with
// its name; Escape ends it with status 0.
void Card::expectProgramsDrawTheirPictures(const std::vector<Listed>& pictures)
{
    ASSERT_EQ(shell("cd pics && ls *.c | xargs -P 2 -I{} sh -c "
                    "'cc -std=c99 -Wall -Werror \"$0\" -lglut -lGLU -lGL -lm -o \"${0%.c}\" 2>&1' {}"),
              0)
        << said;
    for (const Listed& p : pictures) {
        const std::string stem = p.name.substr(0, p.name.size() - 4);
        std::ifstream file(pics / (stem + ".c"));
        const std::string source =
            std::regex_replace(std::string(std::istreambuf_iterator<char>(file), {}), std::regex("([0-9])f\\b"), "$1");
        EXPECT_NE(source.find("cc -std=c99 -Wall -Werror " + stem + ".c -lglut -lGLU -lGL -lm"), std::string::npos);
        char caption[SHAPE_DESCRIPTION_SIZE];
        describeShape(p.shape, p.slices, p.stacks, caption, sizeof caption);
        std::istringstream calls(caption);
        for (std::string call; std::getline(calls, call);) {
            call = std::regex_replace(call, std::regex("^[a-z]+: "), "");
            EXPECT_NE(source.find(call), std::string::npos) << stem << ".c lacks " << call;
        }

        const pid_t program = fork();
        if (program == 0) {
            execl((pics / stem).c_str(), stem.c_str(), nullptr);
            _exit(127);
        }
        xdo_search_t search{};
        const std::string title = "^" + stem + "\\.png$";
        search.winname = title.c_str();
        search.searchmask = SEARCH_NAME | SEARCH_ONLYVISIBLE;
        search.max_depth = -1;
        Window window = 0;
        const Image expected = readPng(pics / p.name);
        std::string failures = "no window";
        waitFor([&] {
            Window* found = nullptr;
            unsigned int count = 0;
            xdo_search_windows(xdo, &search, &found, &count);
            window = count > 0 ? found[0] : 0;
            XFree(found);
            // A line of the axes may fall on another pixel in a window than in a framebuffer.
            return window != 0 && (failures = differences(windowImage(xdo->xdpy, window), expected, 4)).empty();
        });
        EXPECT_EQ(failures, "") << stem;
        xdo_focus_window(xdo, window);
        xdo_send_keysequence_window(xdo, CURRENTWINDOW, "Escape", 0);
        int status = -1;
        if (!waitFor([&] { return waitpid(program, &status, WNOHANG) == program; })) {
            kill(program, SIGKILL);
            waitpid(program, &status, 0);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << stem << " ended with status " << status;
    }
}

// Opens pics/index.html in headless Chromium, driven over its DevTools pipe,
// and gives what CHECK finds, with a screenshot of the top of the page in
// shot.png.
json Card::browse()
{
    int toBrowser[2], fromBrowser[2];
    EXPECT_EQ(pipe2(toBrowser, O_CLOEXEC) | pipe2(fromBrowser, O_CLOEXEC), 0);
    const std::string profile = "--user-data-dir=" + (scratch / "profile").string();
    const pid_t browser = fork();
    if (browser == 0) {
        // The pipe's ends may be 3 or 4 themselves.
        const int commands = fcntl(toBrowser[0], F_DUPFD, 10), answers = fcntl(fromBrowser[1], F_DUPFD, 10);
        dup2(commands, 3);
        dup2(answers, 4);
        const int log = open((scratch / "chromium.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        execlp("chromium", "chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
               "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--hide-scrollbars", "--remote-debugging-pipe", profile.c_str(), nullptr);
        _exit(127);
    }
    close(toBrowser[0]);
    close(fromBrowser[1]);
    // Answers and events come in any order; each is taken once.
    std::vector<json> inbox;
    std::string pending;
    const auto until = [&](auto wanted) {
        for (std::size_t seen = 0;; ++seen) {
            char buffer[65536];
            for (ssize_t got = 1; seen == inbox.size() && got > 0;) {
                got = read(fromBrowser[0], buffer, sizeof buffer);
                pending.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
                for (std::size_t end; (end = pending.find('\0')) != std::string::npos; pending.erase(0, end + 1))
                    inbox.push_back(json::parse(pending.substr(0, end)));
            }
            if (seen == inbox.size() || wanted(inbox[seen]))
                return seen == inbox.size() ? json::object() : std::exchange(inbox[seen], json::object());
        }
    };
    int next = 0;
    const auto call = [&](const std::string& method, const json& params, const std::string& session = "") {
        json message = {{"id", ++next}, {"method", method}, {"params", params}};
        if (!session.empty())
            message["sessionId"] = session;
        const std::string text = message.dump() + '\0';
        EXPECT_EQ(write(toBrowser[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        const json answer = until([&](const json& m) { return m.value("id", 0) == next; });
        EXPECT_TRUE(answer.contains("result")) << method << ": " << answer.dump() << "\n" << said;
        return answer.value("result", json::object());
    };
    const std::string target = call("Target.createTarget", {{"url", "about:blank"}}).value("targetId", "");
    const std::string session =
        call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}).value("sessionId", "");
    call("Page.enable", json::object(), session);
    call("Emulation.setDeviceMetricsOverride",
         {{"width", 1280}, {"height", 900}, {"deviceScaleFactor", 1}, {"mobile", false}}, session);
    call("Page.navigate", {{"url", "file://" + (pics / "index.html").string()}}, session);
    until([](const json& m) { return m.value("method", "") == "Page.loadEventFired"; });
    json found = call("Runtime.evaluate", {{"expression", CHECK}, {"awaitPromise", true}, {"returnByValue", true}},
                      session)["result"]
                     .value("value", json::object());
    std::ofstream(scratch / "shot.base64")
        << call("Page.captureScreenshot", {{"format", "png"}}, session).value("data", "");
    call("Browser.close", json::object());
    close(toBrowser[1]);
    close(fromBrowser[0]);
    waitpid(browser, nullptr, 0);
    EXPECT_EQ(shell("base64 -d shot.base64 >shot.png"), 0);
    return found;
}

// The card of a run passes tidy with no more than HTML5's lazy loading, which
// it does not know; in Chromium it shows the camera, the keys as typed, every
// picture's label, counts and calls, a table's heads, and every picture
// loaded, at most 400 pixels wide; its links and sources are files beside
// it. Its screenshot is as the reference, if one is given.
std::vector<Listed> Card::expectCard(const std::string& args, const std::string& keys, int size,
                                     const std::string& reference)
{
    std::vector<Listed> pictures =
        run(args + " --size " + std::to_string(size) + (keys.empty() ? "" : " --keys '" + keys + "'"));
    const bool table = args.find("--counts") != std::string::npos;
    shell("tidy -q -e pics/index.html 2>&1");
    EXPECT_EQ(std::regex_replace(said, std::regex(".*proprietary attribute \"loading\"\n"), ""), "") << args;
    const json found = browse();
    const std::string text = found.value("text", "");
    std::vector<std::string> shown = {"Camera: d: ", keys.empty() ? "No keys given." : "Keys given: " + keys};
    std::string heads = "Shape";
    for (const Listed& p : pictures) {
        char caption[SHAPE_DESCRIPTION_SIZE];
        describeShape(p.shape, p.slices, p.stacks, caption, sizeof caption);
        const bool drawn = glutShapeDrawable(p.shape, p.slices, p.stacks);
        const std::string counts = std::to_string(p.slices) + " x " + std::to_string(p.stacks);
        shown.push_back(p.label + ", " + counts + "\n\n" + (drawn ? "" : "The axes alone: ") + caption + "\n");
        shown.push_back(table ? "\n" + p.label + "\t" : "");
        heads += p.shape == pictures[0].shape ? "\t" + counts : "";
    }
    shown.push_back(table ? heads + "\n" : "");
    for (const std::string& expected : shown)
        EXPECT_NE(text.find(expected), std::string::npos) << args << ": the card does not show " << expected;
    EXPECT_EQ(found.value("sizes", json::array()),
              json::array({std::to_string(std::min(size, 400)) + " of " + std::to_string(size) + " lazy"}))
        << args;
    std::set<std::string> links;
    for (const std::string& link : found.value("links", std::vector<std::string>()))
        links.insert(link);
    for (const Listed& p : pictures)
        EXPECT_TRUE(links.count(p.name) == 1 && links.count(p.name.substr(0, p.name.size() - 4) + ".c") == 1);
    for (const std::string& link : links)
        EXPECT_TRUE(link.find_first_of(":/") == std::string::npos && fs::is_regular_file(pics / link)) << link;
    if (std::getenv("VARENTHE_UPDATE_REFERENCES") != nullptr && !reference.empty())
        fs::copy_file(scratch / "shot.png", REFERENCES / reference, fs::copy_options::overwrite_existing);
    if (!reference.empty()) {
        EXPECT_EQ(differences(readPng(scratch / "shot.png"), readPng(REFERENCES / reference), 0), "") << reference;
    }
    return pictures;
}

// The default run, and a table at freeglut's limits for equal counts of
// pictures too large to be shown whole, with keys that HTML would take for
// its own and a camera whose numbers have no short decimal form; and a table
// of the most columns, whose cells on the sheet are narrower than a letter.
TEST_F(Card, ShowsEveryPictureAndItsProgramDrawsIt)
{
    expectCard("--shapes 24 --counts $(seq -s, 1000)", "", 1, "");
    expectProgramsDrawTheirPictures(expectCard("", "", 250, "card.png"));
    expectProgramsDrawTheirPictures(
        expectCard("--shapes 20-23,26,27 --counts 1,254,255,256,257", "<b>&zzzXXWWy", 401, ""));
    // Three steps of 0.2 leave the distance 5.40000057, which prints as 5.400001.
    float distance = 6.0f;
    for (int step = 0; step < 3; ++step)
        distance = static_cast<float>(distance - 0.2);
    std::ifstream file(pics / "27-glut-solidtorus-1x1.c");
    const std::string source(std::istreambuf_iterator<char>(file), {});
    std::smatch literal;
    ASSERT_TRUE(std::regex_search(source, literal, std::regex("DISTANCE = (.*)f;")));
    EXPECT_EQ(std::strtof(literal[1].str().c_str(), nullptr), distance) << literal[0];
}

// The shapes that take counts, at every count where what is drawn changes.
TEST_F(Card, ProgramsDrawEveryEdgeCount)
{
    for (const auto& [s, t] : EDGE_COUNTS) {
        const auto keys = [](int count, char up, char down) {
            return std::string(std::abs(count - 10), count > 10 ? up : down);
        };
        expectProgramsDrawTheirPictures(
            run("--size 64 --shapes 2-11,20-23,26,27 --keys " + keys(s, 'S', 's') + keys(t, 'T', 't')));
    }
}

} // namespace
