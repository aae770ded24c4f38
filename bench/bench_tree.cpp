// The message tree: filling it with 100 sources x 1,000 messages (target: far below 0.5 s for
// the tree's share of LoadSubscriptions) and the resident memory of 100,000 message nodes
// (target: the whole process under 64 MB).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "view/tree_control.h"

namespace {

using vellorin::TreeControl;
using vellorin::TreeNode;

constexpr int kSources = 100;
constexpr int kMessagesPerSource = 1000;

struct Message {
    std::string title;  // ~40 characters
    std::string guid;   // 36 characters
    bool read;
};

struct Source {
    std::string id;
    std::string title;
    std::string link;
    std::vector<Message> messages;
};

std::string Guid(unsigned n) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%04X-%012X", n * 2654435761u, n & 0xffff,
                  (n >> 16) & 0xffff, (n * 7u) & 0xffff, n);
    return buf;
}

// Source titles in no particular order, so that sorting has work to do.
std::string SourceTitle(int s) {
    return "Source " + std::to_string((s * 37) % kSources) + " news desk";
}
std::string SourceLink(int s) {
    return "https://service.example/feeds/" + std::to_string(s);
}
std::string MessageTitle(unsigned serial) {
    char title[64];
    std::snprintf(title, sizeof title, "Weekly report %06u on the state of things", serial);
    return title;
}

std::vector<Source> MakeSources() {
    std::vector<Source> sources(kSources);
    unsigned serial = 0;
    for (int s = 0; s < kSources; ++s) {
        Source& src = sources[static_cast<std::size_t>(s)];
        src.id = Guid(1000000u + static_cast<unsigned>(s));
        src.title = SourceTitle(s);
        src.link = SourceLink(s);
        src.messages.reserve(kMessagesPerSource);
        for (int m = 0; m < kMessagesPerSource; ++m, ++serial)
            src.messages.push_back({MessageTitle(serial), Guid(serial), m % 3 == 0});
    }
    return sources;
}

const std::vector<Source>& Sources() {
    static const std::vector<Source> sources = MakeSources();
    return sources;
}

void AddMessages(TreeControl& tree, TreeNode& node, const Source& src) {
    for (const Message& m : src.messages) {
        int image = m.read ? vellorin::kImageRead : vellorin::kImageUnread;
        TreeNode* n = tree.addChild(node, {}, m.title, image);
        n->setTag(m.guid);
        n->setBold(!m.read);
    }
}

// Sources added with sorting off, each followed by its messages, then sorting switched on.
void FillSortingOffThenOn(TreeControl& tree) {
    tree.clear();
    tree.setSorted(false);
    for (const Source& src : Sources()) {
        TreeNode* node =
            tree.addRoot(src.id, src.title, vellorin::kImageSource, vellorin::kImageSource);
        node->setTag(src.link);
        AddMessages(tree, *node, src);
    }
    tree.setSorted(true);
}

// What LoadSubscriptions and LoadInbox do together: each source is added, then removed and added
// again by ResetSourceNode (sorting off around it, on afterwards) and its messages are added by
// key lookup of the source node.
void FillLikeLoadSubscriptions(TreeControl& tree) {
    tree.clear();
    tree.setSorted(false);
    for (const Source& src : Sources()) {
        TreeNode* node =
            tree.addRoot(src.id, src.title, vellorin::kImageSource, vellorin::kImageSource);
        node->setTag(src.link);
        std::string text = node->text(), key = node->key(), tag = node->tag();
        tree.setSorted(false);
        tree.remove(node);
        node = tree.addRoot(key, text, vellorin::kImageSource, vellorin::kImageSource);
        node->setTag(tag);
        tree.setSorted(true);
        for (const Message& m : src.messages) {
            int image = m.read ? vellorin::kImageRead : vellorin::kImageUnread;
            TreeNode* n = tree.addChild(src.id, {}, m.title, image);
            n->setTag(m.guid);
            n->setBold(!m.read);
        }
    }
    tree.setSorted(true);
}

void BM_FillSortingOffThenOn(benchmark::State& state) {
    TreeControl tree("tvMessages");
    Sources();
    for (auto _ : state) {
        FillSortingOffThenOn(tree);
        benchmark::DoNotOptimize(tree.count());
    }
    state.counters["nodes"] = static_cast<double>(tree.count());
}

void BM_FillLikeLoadSubscriptions(benchmark::State& state) {
    TreeControl tree("tvMessages");
    Sources();
    for (auto _ : state) {
        FillLikeLoadSubscriptions(tree);
        benchmark::DoNotOptimize(tree.count());
    }
    state.counters["nodes"] = static_cast<double>(tree.count());
}

// Visiting every node by index, as the tree-order commands do.
void BM_VisitAllByIndex(benchmark::State& state) {
    TreeControl tree("tvMessages");
    FillSortingOffThenOn(tree);
    for (auto _ : state) {
        std::size_t bold = 0;
        for (std::size_t i = 1; i <= tree.count(); ++i)
            bold += tree.nodeAt(i)->bold();
        benchmark::DoNotOptimize(bold);
    }
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Resident memory of the filled tree. It runs first, before other benchmarks have grown the heap,
// and makes its strings as it goes, so that the process figure holds the tree and nothing else of
// size.
void BM_ResidentMemory100kNodes(benchmark::State& state) {
    std::unique_ptr<TreeControl> tree;
    long before = 0, after = 0;
    for (auto _ : state) {
        tree.reset();
        before = ResidentKilobytes();
        tree = std::make_unique<TreeControl>("tvMessages");
        unsigned serial = 0;
        for (int s = 0; s < kSources; ++s) {
            TreeNode* node =
                tree->addRoot(Guid(1000000u + static_cast<unsigned>(s)), SourceTitle(s),
                              vellorin::kImageSource, vellorin::kImageSource);
            node->setTag(SourceLink(s));
            for (int m = 0; m < kMessagesPerSource; ++m, ++serial) {
                bool read = m % 3 == 0;
                TreeNode* n = tree->addChild(*node, {}, MessageTitle(serial),
                                             read ? vellorin::kImageRead : vellorin::kImageUnread);
                n->setTag(Guid(serial));
                n->setBold(!read);
            }
        }
        tree->setSorted(true);
        tree->nodes();  // the tree-order index is part of the working set
        after = ResidentKilobytes();
    }
    state.counters["nodes"] = static_cast<double>(tree->count());
    state.counters["tree_MB"] = static_cast<double>(after - before) / 1024.0;
    state.counters["process_MB"] = static_cast<double>(after) / 1024.0;
    state.counters["bytes_per_node"] =
        static_cast<double>(after - before) * 1024.0 / static_cast<double>(tree->count());
}

BENCHMARK(BM_ResidentMemory100kNodes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillSortingOffThenOn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillLikeLoadSubscriptions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VisitAllByIndex)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
