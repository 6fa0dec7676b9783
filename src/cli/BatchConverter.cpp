#include "cli/BatchConverter.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "platform/CException.h"
#include "platform/CFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "roll/RollReport.h"

ConversionResult ConvertRollFile(const std::string& path) {
    ConversionResult result;
    CRollscribeDoc doc;
    try {
        LoadOutcome outcome = LoadRollFile(doc, CString(path));
        result.ok = outcome == LoadOutcome::converted;
        if (!result.ok) result.error = "not a roll file: the extension must be bar or web";
    } catch (const CException& e) {
        // The roll itself needs no naming again; another file concerned does.
        bool aboutRoll = e.Path() == FullPath(CString(path)).ToStdString();
        result.error = aboutRoll ? e.Reason() : e.what();
    } catch (const std::bad_alloc&) {
        result.error = "not enough memory to convert the roll";
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    result.report = BuildRollReport(doc).ToStdString();
    return result;
}

std::string OutputKeyOf(const std::string& path) {
    std::string full = FullPath(CString(path)).ToStdString();
    std::size_t slash = full.rfind('/');
    std::size_t dot = full.find('.', slash == std::string::npos ? 0 : slash + 1);
    return dot == std::string::npos ? full : full.substr(0, dot);
}

void ConvertRollFiles(const std::vector<std::string>& paths, unsigned jobs,
                      const std::function<void(std::size_t, const ConversionResult&)>& onResult,
                      const std::function<void(std::size_t)>& onProgress) {
    // Files that write the same MIDI file form one chain, converted in argument order by one
    // worker, so the file left at the end is the one a conversion in turn would leave.
    std::vector<std::vector<std::size_t>> chains;
    std::map<std::string, std::size_t> chainOf;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto [it, added] = chainOf.try_emplace(OutputKeyOf(paths[i]), chains.size());
        if (added) chains.emplace_back();
        chains[it->second].push_back(i);
    }

    std::vector<std::optional<ConversionResult>> results(paths.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> nextChain{0};
    std::size_t done = 0;

    auto work = [&] {
        for (std::size_t c; (c = nextChain.fetch_add(1)) < chains.size();) {
            for (std::size_t i : chains[c]) {
                ConversionResult result = ConvertRollFile(paths[i]);
                std::lock_guard<std::mutex> lock(mutex);
                results[i] = std::move(result);
                ++done;
                ready.notify_one();
            }
        }
    };

    if (chains.empty()) return;  // nothing to convert (and clamp needs a non-empty range)
    std::size_t workers = std::clamp<std::size_t>(jobs, 1, chains.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < workers; ++t) threads.emplace_back(work);

    std::size_t delivered = 0;
    std::size_t reported = 0;
    while (delivered < paths.size()) {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return done > reported || results[delivered].has_value(); });
        std::size_t progress = done;
        std::vector<std::pair<std::size_t, ConversionResult>> batch;
        while (delivered < paths.size() && results[delivered]) {
            batch.emplace_back(delivered, std::move(*results[delivered]));
            results[delivered].reset();
            ++delivered;
        }
        lock.unlock();
        if (progress != reported) {
            reported = progress;
            onProgress(progress);
        }
        for (auto& [index, result] : batch) onResult(index, result);
    }
    for (auto& thread : threads) thread.join();
}
