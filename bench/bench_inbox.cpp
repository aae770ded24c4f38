// The inbox store on a 10,000-message inbox with 2 KB descriptions: InboxItemAction MarkRead,
// DeleteItem and LoadItem (target: under 10 ms each) and SaveItem of one new message (under
// 5 ms); and filling the message tree from 100 sources x 1,000 messages (under 0.5 s).
//
// DeleteItem blanks the message's lines in place; BM_DeleteItemThatCompacts measures the rare
// delete that also compacts the file.
//
// The "Warm" runs repeat an operation on a file whose parse the profile layer still holds, as
// when a user works through one source's messages; the "Cold" runs drop every cached parse first,
// as for the first operation on a source.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "base/app_context.h"
#include "inbox/inbox_store.h"
#include "store/profile_file.h"
#include "subscriptions/subscriptions.h"
#include "view/tree_control.h"

namespace {

using namespace vellorin;

constexpr int kInboxMessages = 10000;
constexpr size_t kDescriptionBytes = 2048;
constexpr int kTreeSources = 100;
constexpr int kTreeMessages = 1000;

class QuietSeam final : public UserSeam {
public:
    MsgAnswer messageBox(const MessageBoxRequest&) override { return MsgAnswer::OK; }
    using UserSeam::messageBox;
    void processEvents() override {}
};

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "vellorin-bench-XXXXXX";
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string Guid(int i) {
    return "http://www.vellorin.net/messages/" + std::to_string(i);
}

std::string SourceId(int i) {
    char id[40];
    std::snprintf(id, sizeof id, "0A1B2C3D-0000-4000-8000-%012d", i);
    return id;
}

// A stored description: HTML with a header block, lines joined by character 5.
std::string Description(int i) {
    std::string d = "<p>Message " + std::to_string(i) + "</p>\x05";
    while (d.size() < kDescriptionBytes)
        d += "Lorem ipsum dolor sit amet, consectetur. \x05";
    d.resize(kDescriptionBytes);
    return d;
}

// Writes an inbox of `count` messages in the stored form, a day per 100 messages.
void WriteInbox(const std::string& folder, int count) {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder + "/inbox.dat", std::ios::binary);
    std::string text;
    for (int i = 0; i < count; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "Mon, %02d Dec 2026", 1 + (i / 100) % 28);
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", i % 24, i % 60, (i * 7) % 60);
        text.clear();
        text.append("[").append(Guid(i)).append("]\r\n");
        text += "title=Message number " + std::to_string(i) + "\r\n";
        text += "description=" + Description(i) + "\r\n";
        text += std::string("date=") + date + "\r\ntime=" + time + "\r\noffset=+0000\r\n";
        text += std::string("read=") + (i % 3 == 0 ? "1" : "0") + "\r\n";
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
}

// An application context on a fresh data folder.
struct ScratchWorld {
    ScratchFolder folder;
    QuietSeam seam;
    ManualClock clock;
    std::unique_ptr<AppContext> context;

    ScratchWorld() {
        context = std::make_unique<AppContext>(
            AppOptions{folder.path(), folder.path() + "/data", "", "vellorin"}, seam, clock);
        context->subscriptions.EnsureDataFolder();
    }
};

// One data folder with one 10,000-message source, shared by the inbox benchmarks.
struct InboxWorld : ScratchWorld {
    InboxWorld() {
        context->inbox.CurrentSourceID = SourceId(0);
        WriteInbox(context->inbox.SourceFolder(), kInboxMessages);
    }
    static InboxWorld& get() {
        static InboxWorld world;
        return world;
    }
    mInbox& inbox() { return context->inbox; }
};

void SetItem(mInbox& inbox, const std::string& guid) {
    inbox.CurrentItem = InboxItem{
        "A new message", Description(1), "Tue, 29 Dec 2026", "12:00:00", "+0000", guid, 0};
}

void Act(benchmark::State& state, mInbox& inbox, std::int32_t action) {
    if (!inbox.InboxItemAction(action))
        state.SkipWithError("the action failed");
}

void BM_MarkRead(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    mInbox& inbox = InboxWorld::get().inbox();
    inbox.CurrentItem.Guid = Guid(kInboxMessages / 2 + 1);  // stored unread
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            profile::ClearProfileCache();
            state.ResumeTiming();
        }
        Act(state, inbox, mInbox::MarkRead);
        state.PauseTiming();
        Act(state, inbox, mInbox::MarkUnread);
        // Leave a cached parse behind, as any read of the file would.
        Act(state, inbox, mInbox::ItemExists);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MarkRead)->ArgName("cold")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadItem(benchmark::State& state) {
    const bool cold = state.range(0) != 0;
    mInbox& inbox = InboxWorld::get().inbox();
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            profile::ClearProfileCache();
            state.ResumeTiming();
        }
        inbox.CurrentItem.Guid = Guid(kInboxMessages / 2);
        Act(state, inbox, mInbox::LoadItem);
        benchmark::DoNotOptimize(inbox.CurrentItem.Description.data());
    }
}
BENCHMARK(BM_LoadItem)->ArgName("cold")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DeleteItem(benchmark::State& state) {
    mInbox& inbox = InboxWorld::get().inbox();
    int n = 0;
    for (auto _ : state) {
        // A message from the middle of the file each time, put back at its end afterwards.
        state.PauseTiming();
        inbox.CurrentItem.Guid = Guid(kInboxMessages / 4 + n++);
        Act(state, inbox, mInbox::LoadItem);
        const InboxItem kept = inbox.CurrentItem;
        state.ResumeTiming();

        Act(state, inbox, mInbox::DeleteItem);

        state.PauseTiming();
        inbox.CurrentItem = kept;
        if (!inbox.SaveItem())
            state.SkipWithError("SaveItem failed");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteItem)->Unit(benchmark::kMillisecond)->Iterations(200);

// The delete that finds half of the file blank (left by earlier deletes) and compacts it: the
// rare, slow case of DeleteItem, once per many deletes.
void BM_DeleteItemThatCompacts(benchmark::State& state) {
    ScratchWorld world;
    mInbox& inbox = world.context->inbox;
    inbox.CurrentSourceID = SourceId(1);
    const std::string path = inbox.SourceFolder() + "/inbox.dat";
    for (auto _ : state) {
        state.PauseTiming();
        WriteInbox(inbox.SourceFolder(), kInboxMessages);
        const auto live = static_cast<size_t>(std::filesystem::file_size(path));
        {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            const std::string blankLine(kDescriptionBytes - 2, ' ');
            for (size_t blank = 0; blank + kDescriptionBytes < live - 1024;
                 blank += kDescriptionBytes) {
                out << blankLine << "\r\n";
            }
        }
        profile::ClearProfileCache();
        inbox.CurrentItem.Guid = Guid(kInboxMessages / 2);
        Act(state, inbox, mInbox::LoadItem);
        const auto before = std::filesystem::file_size(path);
        state.ResumeTiming();

        Act(state, inbox, mInbox::DeleteItem);

        state.PauseTiming();
        if (std::filesystem::file_size(path) * 2 > before + kDescriptionBytes)
            state.SkipWithError("the file was not compacted");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteItemThatCompacts)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SaveItem(benchmark::State& state) {
    mInbox& inbox = InboxWorld::get().inbox();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SetItem(inbox, "saved-" + std::to_string(n++));
        state.ResumeTiming();
        if (!inbox.SaveItem())
            state.SkipWithError("SaveItem failed");
    }
    for (int i = 0; i < n; ++i) {
        inbox.CurrentItem.Guid = "saved-" + std::to_string(i);
        (void)inbox.InboxItemAction(mInbox::DeleteItem);
    }
}
BENCHMARK(BM_SaveItem)->Unit(benchmark::kMillisecond)->Iterations(200);

// Bytes of heap in use: what the tree holds is the growth while it lives (resident size would
// not show it once an earlier run's freed memory is reused).
double HeapMegabytes() {
    return static_cast<double>(::mallinfo2().uordblks) / (1024.0 * 1024.0);
}

void BM_FillMessageTree(benchmark::State& state) {
    ScratchWorld world;
    AppContext& context = *world.context;
    std::string list =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- benchmark -->\r\n<sources>";
    for (int s = 0; s < kTreeSources; ++s) {
        list += "<source id=\"" + SourceId(s) + "\" title=\"Source " + std::to_string(s) +
                "\">http://www.vellorin.net/sources/" + std::to_string(s) + ".xml</source>";
        WriteInbox(context.subscriptions.DataFolder + "/" + SourceId(s), kTreeMessages);
    }
    list += "</sources>\r\n";
    std::ofstream(context.subscriptions.SubscriptionsPath(), std::ios::binary) << list;

    const double before = HeapMegabytes();
    double during = 0;
    size_t nodes = 0;
    for (auto _ : state) {
        TreeControl tree("tvMessages");
        context.subscriptions.LoadSubscriptions(tree);
        nodes = tree.count();
        state.PauseTiming();
        during = std::max(during, HeapMegabytes());
        state.ResumeTiming();
    }
    if (nodes != static_cast<size_t>(kTreeSources) * (kTreeMessages + 1)) {
        state.SkipWithError("the tree is incomplete");
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["tree_heap_MB"] = during - before;
}
BENCHMARK(BM_FillMessageTree)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
