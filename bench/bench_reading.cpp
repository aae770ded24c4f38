// Finding and reading over the message tree:
// - a search over 10,000 messages of about 2 KB (10 sources x 1,000) answers a typed query
//   within 50 ms ("Warm": the sources' messages already held in folded form, as from the second
//   key on, and from the first when the field took the focus first; "Cold": a first key that
//   reads and folds every inbox itself);
// - "Mark All as Read" of a source of 1,000 messages takes under 100 ms (the flags of two of
//   three messages changed in place, or, "Rewrite", every flag damaged so the file is rewritten).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "base/app_context.h"
#include "store/profile_file.h"
#include "subscriptions/subscriptions.h"
#include "view/message_search.h"
#include "view/reading_commands.h"
#include "view/tree_control.h"

namespace {

using namespace vellorin;

constexpr int kSources = 10;
constexpr int kMessagesPerSource = 1000;
constexpr size_t kDescriptionBytes = 2048;

class QuietSeam final : public UserSeam {
public:
    MsgAnswer messageBox(const MessageBoxRequest&) override { return MsgAnswer::OK; }
    using UserSeam::messageBox;
    void processEvents() override {}
};

std::string SourceId(int i) {
    char id[40];
    std::snprintf(id, sizeof id, "0A1B2C3D-0000-4000-8000-%012d", i);
    return id;
}

// A stored description: the service's header block, then paragraphs of text (lines joined by
// character 5); one message in 100 mentions an invoice from Zürich.
std::string Description(int i) {
    std::string d =
        "<!-- header start:\x05"
        "from: &quot;Sender " +
        std::to_string(i % 37) + "&quot; &lt;sender" + std::to_string(i % 37) +
        "@example.com&gt;<br />\x05subject: Note<br />\x05header end --> "
        "<style>p { margin: 0 }</style><p>";
    if (i % 100 == 7)
        d += "Your invoice from Z\xC3\xBCrich is ready. ";
    while (d.size() < kDescriptionBytes)
        d += "Lorem ipsum dolor sit amet, <b>consectetur</b> adipiscing elit. \x05";
    d.resize(kDescriptionBytes);
    return d + "</p>";
}

// `count` messages in the stored form; every third read, or with `damaged` none readable.
void WriteInbox(const std::string& folder, int source, int count, bool damaged = false) {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder + "/inbox.dat", std::ios::binary | std::ios::trunc);
    for (int i = 0; i < count; ++i) {
        const int n = source * count + i;
        const std::string read = damaged ? "x" : (i % 3 == 0 ? "1" : "0");
        const std::string text = "[guid-" + std::to_string(n) + "]\r\ntitle=Message number " +
                                 std::to_string(n) + "\r\ndescription=" + Description(n) +
                                 "\r\ndate=Mon, 05 Dec 2026\r\ntime=08:00:00\r\noffset=+0000\r\n"
                                 "read=" +
                                 read + "\r\n";
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
}

// A data folder with `sources` subscribed sources of 1,000 messages each, and the tree over it.
struct ReaderWorld {
    std::string folder;
    QuietSeam seam;
    ManualClock clock;
    std::unique_ptr<AppContext> context;
    TreeControl tree{"tvMessages"};

    explicit ReaderWorld(int sources) {
        std::string pattern = std::filesystem::temp_directory_path() / "vellorin-bench-XXXXXX";
        folder = ::mkdtemp(pattern.data()) ? pattern : std::string();
        context = std::make_unique<AppContext>(AppOptions{folder, folder + "/data", "", "vellorin"},
                                               seam, clock);
        context->subscriptions.EnsureDataFolder();
        std::string list = "<?xml version=\"1.0\"?>\r\n<sources>";
        for (int s = 0; s < sources; ++s) {
            list += "<source id=\"" + SourceId(s) + "\" title=\"Source " + std::to_string(s) +
                    "\">http://127.0.0.1/" + std::to_string(s) + "</source>";
            WriteInbox(folder + "/data/" + SourceId(s), s, kMessagesPerSource);
        }
        std::ofstream(folder + "/data/subscriptions.dat") << list << "</sources>\r\n";
        context->subscriptions.LoadSubscriptions(tree);
    }
    ~ReaderWorld() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

ReaderWorld& SearchWorld() {
    static ReaderWorld world(kSources);
    return world;
}

void BM_SearchWarm(benchmark::State& state) {
    ReaderWorld& world = SearchWorld();
    MessageSearch search(*world.context);
    (void)search.find(world.tree, "warm");
    size_t found = 0;
    for (auto _ : state)
        found = search.find(world.tree, "INVOICE zurich").size();
    if (found != kSources * kMessagesPerSource / 100)
        state.SkipWithError("wrong number of matches");
    state.counters["messages"] = static_cast<double>(search.indexedMessages());
}
BENCHMARK(BM_SearchWarm)->Unit(benchmark::kMillisecond);

void BM_SearchCold(benchmark::State& state) {
    ReaderWorld& world = SearchWorld();
    for (auto _ : state) {
        state.PauseTiming();
        profile::ClearProfileCache();
        MessageSearch search(*world.context);
        state.ResumeTiming();
        benchmark::DoNotOptimize(search.find(world.tree, "invoice").size());
    }
}
BENCHMARK(BM_SearchCold)->Unit(benchmark::kMillisecond)->Iterations(5);

// The first key after the field took the focus (prepare): a scan, as for every later key.
void BM_SearchFirstKeyAfterFocus(benchmark::State& state) {
    ReaderWorld& world = SearchWorld();
    for (auto _ : state) {
        state.PauseTiming();
        profile::ClearProfileCache();
        MessageSearch search(*world.context);
        search.prepare(world.tree);
        state.ResumeTiming();
        benchmark::DoNotOptimize(search.find(world.tree, "invoice").size());
    }
}
BENCHMARK(BM_SearchFirstKeyAfterFocus)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MarkSourceRead(benchmark::State& state) {
    const bool damaged = state.range(0) != 0;
    ReaderWorld world(1);
    const std::string inbox = world.folder + "/data/" + SourceId(0);
    for (auto _ : state) {
        state.PauseTiming();
        WriteInbox(inbox, 0, kMessagesPerSource, damaged);
        world.context->subscriptions.LoadSubscriptions(world.tree);
        state.ResumeTiming();
        if (!MarkSourceRead(*world.context, *world.tree.findNode(SourceId(0))))
            state.SkipWithError("MarkSourceRead failed");
    }
}
BENCHMARK(BM_MarkSourceRead)->ArgName("rewrite")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
