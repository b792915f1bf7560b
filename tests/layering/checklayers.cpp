// Checks that the product folders include each other only downwards.
//
// Usage: checklayers SOURCE_ROOT
// Scans every .h/.cpp under the ranked folders of SOURCE_ROOT (tests,
// benchmarks and fuzz targets are not scanned) and prints file:line for each
// #include that names a file in a folder of a higher rank, or of the same
// rank but another folder. Includes written relative to the including file
// ("../views/x.h") are resolved against its folder first. Exit status 1 when it found any, 2 on bad usage.
//
// The ranks, bottom up, are the ones in README.md ("Layout"):
//   base < simlink < imaging < dialogs < selection < paint < views < palette
//   < replay < snapshot < inspector < app
// base/ holds the settings store and the version text. The compiled-in
// pictures Resource/embeddedart.h are a leaf every folder may include; a
// leaf includes only leaves, base and simlink. sim/ (the demo simulation and
// its publisher) stands beside the tool: it may include base and simlink,
// and nothing of the tool includes it. Resource/artwork/ (the offline tool
// that draws the pictures) and docs/ (the screenshot program) are tools:
// they may include any folder of the tool, and nothing includes them; docs/
// may include sim/ too, as it publishes the demo scene to picture the main
// window. The publishing library (publish/, included as "noxel/publish.h"
// or by its folder) is the simulation's side: sim/ and docs/ may include it,
// the tool never does (it reads the blocks through simlink/).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int LeafRank = 0;
constexpr int ToolRank = 1000;        // Resource/artwork: above everything of the tool
constexpr int UnreachableRank = 2000; // sim, the tools and Resource as includees
constexpr int PlayerRank = 3000;      // docs: the screenshot program publishes the demo scene in-process

const std::map<std::string, int> FolderRank = {
    {"base", 5}, {"simlink", 10}, {"imaging", 20}, {"dialogs", 30}, {"selection", 40}, {"paint", 50},
    {"views", 60},   {"palette", 70}, {"replay", 75}, {"snapshot", 80}, {"inspector", 85},
    {"app", 90},
};

const std::vector<std::string> Leaves = {"Resource/embeddedart.h"};

bool isLeaf(const std::string &path)
{
    // A leaf's own source file counts as the leaf.
    for (const std::string &leaf : Leaves) {
        const std::string stem = leaf.substr(0, leaf.size() - 2);
        if (path == leaf || path == stem + ".cpp")
            return true;
    }
    return false;
}

std::string topFolder(const std::string &path)
{
    const auto slash = path.find('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Rank of a file as the one that includes; -1 when it is not checked.
int includerRank(const std::string &path)
{
    if (isLeaf(path))
        return LeafRank;
    if (path.rfind("docs/", 0) == 0)
        return PlayerRank;
    if (path.rfind("Resource/artwork/", 0) == 0)
        return ToolRank;
    const std::string top = topFolder(path);
    if (top == "sim")
        return 15; // may include simlink only
    const auto it = FolderRank.find(top);
    return it == FolderRank.end() ? -1 : it->second;
}

// Rank of an included file; -1 when it is not a file of the tool.
int includeeRank(const std::string &path)
{
    if (isLeaf(path))
        return LeafRank;
    const std::string top = topFolder(path);
    if (top == "sim" || top == "Resource" || top == "docs")
        return UnreachableRank;
    const auto it = FolderRank.find(top);
    return it == FolderRank.end() ? -1 : it->second;
}

// Whether an include names the publishing library.
bool isPublishLibrary(const std::string &path)
{
    return topFolder(path) == "publish" || path.rfind("noxel/", 0) == 0;
}

// The include as a path from the source root. A quoted include that starts
// with "./" or "../" names a file beside the including one, so it is resolved
// against the includer's folder: otherwise "../views/x.h" would have the
// folder ".." and escape the check. A path that leaves the root stays as
// "../..." and is not the tool's.
std::string resolveInclude(const std::string &includer, const std::string &target)
{
    if (target.rfind("./", 0) != 0 && target.rfind("../", 0) != 0)
        return target;
    const fs::path joined = (fs::path(includer).parent_path() / target).lexically_normal();
    return joined.generic_string();
}

bool isSource(const fs::path &p)
{
    const std::string ext = p.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SOURCE_ROOT\n", argv[0]);
        return 2;
    }
    const fs::path root(argv[1]);
    std::vector<std::string> scanned = {"sim", "Resource", "docs"};
    for (const auto &entry : FolderRank)
        scanned.push_back(entry.first);

    std::vector<std::string> files;
    for (const std::string &folder : scanned) {
        const fs::path dir = root / folder;
        if (!fs::is_directory(dir))
            continue; // a ranked folder that does not exist yet
        for (const auto &entry : fs::recursive_directory_iterator(dir))
            if (entry.is_regular_file() && isSource(entry.path()))
                files.push_back(fs::relative(entry.path(), root).generic_string());
    }
    std::sort(files.begin(), files.end());

    const std::regex includeLine(R"re(^\s*#\s*include\s*["<]([^">]+)[">])re");
    int found = 0;
    for (const std::string &file : files) {
        const int from = includerRank(file);
        if (from < 0)
            continue;
        std::ifstream in(root / file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, includeLine))
                continue;
            const std::string written = m[1].str();
            const std::string target = resolveInclude(file, written);
            if (isPublishLibrary(target)) {
                if (topFolder(file) == "sim" || from == PlayerRank)
                    continue;
                std::printf("%s:%d: includes %s, the simulation's library, which the tool never uses\n",
                            file.c_str(), number, target.c_str());
                ++found;
                continue;
            }
            const int to = includeeRank(target);
            if (to < 0 || (topFolder(target) == topFolder(file) && !isLeaf(file)))
                continue; // not the tool's, or within one folder
            if (to < from || (to == LeafRank && from == LeafRank))
                continue;
            if (from == LeafRank && topFolder(target) == "simlink")
                continue; // leaves may use the block layer
            if (written == target)
                std::printf("%s:%d: includes %s, which is not below it\n", file.c_str(), number, target.c_str());
            else
                std::printf("%s:%d: includes %s (%s), which is not below it\n", file.c_str(), number,
                            written.c_str(), target.c_str());
            ++found;
        }
    }
    if (found) {
        std::printf("%d upward include(s); the folder order is in README.md (Layout)\n", found);
        return 1;
    }
    std::printf("%zu files, no upward include\n", files.size());
    return 0;
}
