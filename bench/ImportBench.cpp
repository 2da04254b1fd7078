// Importing the longest score the importer takes, 100,000 measures of 2/4 in G major written
// as MuseScore writes it (about 50 MB), and a file of tiny elements that must be refused before
// it costs memory. Time by Google Benchmark; peak memory by running one import under
// /usr/bin/time -v:
//   kantilo_import_bench --write /tmp/long.musicxml
//   /usr/bin/time -v kantilo_import_bench --once /tmp/long.musicxml
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "CController.h"
#include "CMusicXmlReader.h"

namespace {

constexpr const char* kNotes[] = {"G", "A", "B", "C", "D", "E"};

std::string Note(const char* pszStep, int nOctave) {
    return std::string(
               "      <note>\n"
               "        <pitch>\n          <step>") +
           pszStep + "</step>\n          <octave>" + std::to_string(nOctave) +
           "</octave>\n          </pitch>\n        <duration>1</duration>\n"
           "        <voice>1</voice>\n        <type>quarter</type>\n"
           "        <stem>up</stem>\n        </note>\n";
}

void WriteLongScore(const std::string& strPath) {
    std::ofstream out(strPath);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"3.1\">\n"
           "  <part id=\"P1\">\n";
    for (size_t n = 1; n <= CMusicXmlReader::kMaxMeasures; ++n) {
        out << "    <measure number=\"" << n << "\" width=\"200.00\">\n";
        if (n == 1) {
            out << "      <attributes><divisions>1</divisions><key><fifths>1</fifths></key>"
                   "<time><beats>2</beats><beat-type>4</beat-type></time></attributes>\n";
        }
        for (size_t m = 0; m < 2; ++m) {
            const size_t nIndex = (n + m) % 6;
            out << Note(kNotes[nIndex], nIndex < 3 ? 4 : 5);
        }
        out << "    </measure>\n";
    }
    out << "  </part>\n</score-partwise>\n";
}

// Just under 64 MiB of elements four bytes long.
void WriteTinyElements(const std::string& strPath) {
    std::ofstream out(strPath);
    out << "<score-partwise><part><measure>";
    std::string strTiny;
    for (size_t n = 0; n < 1024; ++n) {
        strTiny += "<a/>";
    }
    for (size_t n = 0; n < (63u << 20) / strTiny.size(); ++n) {
        out << strTiny;
    }
    out << "</measure></part></score-partwise>";
}

std::string ScratchPath(const std::string& strName) {
    return (std::filesystem::temp_directory_path() /
            ("kantilo-bench-" + std::to_string(::getpid()) + "-" + strName))
        .string();
}

void ImportFile(benchmark::State& state, void (*pWrite)(const std::string&), bool bAccepted) {
    const std::string strPath = ScratchPath("score.musicxml");
    pWrite(strPath);
    state.counters["MB"] = double(std::filesystem::file_size(strPath)) / 1e6;
    for (auto _ : state) {
        CMusicXmlReader::SResult result = CMusicXmlReader::Load(strPath);
        if ((result.pController != nullptr) != bAccepted) {
            state.SkipWithError(result.strMessage.c_str());
        }
        benchmark::DoNotOptimize(result);
    }
    std::filesystem::remove(strPath);
}

void BM_Import100000Measures(benchmark::State& state) {
    ImportFile(state, &WriteLongScore, true);
}
BENCHMARK(BM_Import100000Measures)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RefuseTinyElements(benchmark::State& state) {
    ImportFile(state, &WriteTinyElements, false);
}
BENCHMARK(BM_RefuseTinyElements)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        WriteLongScore(argv[2]);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--write-tiny") == 0) {
        WriteTinyElements(argv[2]);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--once") == 0) {
        const CMusicXmlReader::SResult result = CMusicXmlReader::Load(argv[2]);
        std::cout << (result.pController ? "imported" : result.strMessage) << '\n';
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
