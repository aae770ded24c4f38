// The browser watcher on a large Firefox session: 20 MB of JSON in its compressed file.
//   The request the monitor's tick makes when the file changed (on the user-interface thread):
//   target under 100 ms; it only starts the read, so it costs a few stats.
//   The read itself (file, decompression, JSON), on its own thread: reported for reference.
// Ten rounds each: every round reads the whole session, whose time the first one does not count.
#include <benchmark/benchmark.h>
#include <lz4.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "browserlink/firefox_session.h"

namespace {

using vellorin::FirefoxSessionSource;

// A home folder with one profile whose session is about 20 MB of JSON, removed at exit.
class BigSession {
public:
    static BigSession& instance() {
        static BigSession session;
        return session;
    }
    const std::string& home() const { return home_; }
    // Gives the session file a modification time of its own: a change for the source.
    void touch() {
        std::filesystem::last_write_time(
            file_, std::filesystem::file_time_type(std::chrono::seconds(1'700'000'000 + ++step_)));
    }

private:
    BigSession() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vellorin-bench-XXXXXX").string();
        home_ = ::mkdtemp(pattern.data());
        const std::string root = home_ + "/.mozilla/firefox";
        std::filesystem::create_directories(root + "/p.default/sessionstore-backups");
        std::ofstream(root + "/profiles.ini") << "[Profile0]\nPath=p.default\nDefault=1\n";
        std::string json = R"({"windows":[)";
        const std::string window = R"({"tabs":[{"entries":[{"url":"https://x.example/)" +
                                   std::string(2000, 'p') +
                                   R"(","title":"X"}],"index":1}],"selected":1},)";
        int windows = 0;
        for (; json.size() < 20u * 1024 * 1024; ++windows)
            json += window;
        json += R"({"tabs":[{"entries":[{"url":"https://www.vellorin.net/"}],"index":1}],)"
                R"("selected":1}],"selectedWindow":)" +
                std::to_string(windows + 1) + "}";
        std::string bytes("mozLz40\0", 8);
        const auto size = static_cast<std::uint32_t>(json.size());
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<char>((size >> shift) & 0xff));
        std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(size))),
                          '\0');
        const int written = LZ4_compress_default(json.data(), block.data(), static_cast<int>(size),
                                                 static_cast<int>(block.size()));
        block.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
        file_ = root + "/p.default/sessionstore-backups/recovery.jsonlz4";
        std::ofstream(file_, std::ios::binary) << bytes + block;
    }
    ~BigSession() {
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }

    std::string home_;
    std::string file_;
    int step_ = 0;
};

void BM_RequestOnAChangedSession(benchmark::State& state) {
    BigSession& session = BigSession::instance();
    FirefoxSessionSource source(vellorin::FirefoxProfileRoots(session.home(), "/nonexistent"));
    for (auto _ : state) {
        state.PauseTiming();
        session.touch();
        state.ResumeTiming();
        benchmark::DoNotOptimize(source.request());
        state.PauseTiming();
        source.waitForRead();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RequestOnAChangedSession)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ReadOnItsOwnThread(benchmark::State& state) {
    BigSession& session = BigSession::instance();
    FirefoxSessionSource source(vellorin::FirefoxProfileRoots(session.home(), "/nonexistent"));
    for (auto _ : state) {
        state.PauseTiming();
        session.touch();
        state.ResumeTiming();
        (void)source.request();
        source.waitForRead();
        if (!source.request())
            state.SkipWithError("no answer from the session");
    }
}
BENCHMARK(BM_ReadOnItsOwnThread)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
