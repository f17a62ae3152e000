#include "vn_sim/simulated_shell.h"

#include <fcntl.h>
#include <glob.h>
#include <spawn.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include "shell.h"
#include "vn_sim/shell_journal.h"
#include "vn_sim/station_paths_sim.h"

namespace VN_Sim {

namespace {

// What system() returns for a command that exited with status 1.
const int RefusedStatus = 1 << 8;
// What it returns for a program that could not be run.
const int NotRunStatus = 127 << 8;

struct SpawnActions {
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t actions;
};

struct UniqueFd {
    explicit UniqueFd(int descriptor) : fd(descriptor) {}
    ~UniqueFd() {
        if (fd >= 0) close(fd);
    }
    UniqueFd(UniqueFd&& other) noexcept : fd(other.fd) { other.fd = -1; }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd& operator=(UniqueFd&&) = delete;
    int fd;
};
// What system() returns for mount's "mount failure" (exit status 32).
const int MountFailedStatus = 32 << 8;
// A station-folder file naming, one per line, the devices or mount points whose
// mount fails, so that tests (in any process) can take a partition away.
const char* const MountFailuresFile = "sim_mount_fails";

// Constant data, as objects built before main (the global sampler) run commands.
const char* const FileTools[] = {"mkdir", "cp", "rm", "cat", "chmod", "chgrp", "ln", "echo"};
const char* const ReadOnlySources = "/usr/share/zoneinfo/";
const char* const GlobCharacters = "*?[";

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool HasParentComponent(const std::string& path) {
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        if (path.compare(begin, end - begin, "..") == 0 && end - begin == 2) return true;
        begin = end + 1;
    }
    return false;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) == nullptr ? std::string() : std::string(resolved);
}

std::string Parent(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Whether writing to path stays in the working directory once symbolic links
// are followed; a final link is followed only when the tool follows it.
bool LeadsInside(const std::string& path, bool followFinal) {
    std::string root = RealPath(".");
    if (root.empty()) return false;
    std::string probe = path[0] == '/' ? path : root + "/" + path;
    struct stat info;
    if (!followFinal && lstat(probe.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) probe = Parent(probe);
    std::string resolved = RealPath(probe);
    while (resolved.empty() && probe != "/" && probe != ".") {
        probe = Parent(probe);
        resolved = RealPath(probe);
    }
    return resolved == root || StartsWith(resolved, root + "/");
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= folders.size()) {
        size_t end = folders.find(':', begin);
        if (end == std::string::npos) end = folders.size();
        std::string candidate = folders.substr(begin, end - begin) + "/" + name;
        if (end > begin && access(candidate.c_str(), X_OK) == 0) return candidate;
        begin = end + 1;
    }
    return name;
}

bool IsStationMount(const std::vector<std::string>& words) {
    std::vector<std::string> operands;
    for (size_t i = 1; i < words.size(); ++i)
        if (words[i][0] != '-') operands.push_back(words[i]);
    if (words[0] == "mount")
        return operands == std::vector<std::string>{"/dev/hda2", "/hda2"} ||
               operands == std::vector<std::string>{"/dev/hda3", "/data"};
    const std::set<std::string> partitions = {"/dev/hda2", "/hda2", "/dev/hda3", "/data"};
    if (operands.empty() || operands.size() > 2) return false;
    for (const std::string& operand : operands)
        if (partitions.count(operand) == 0) return false;
    return true;
}

bool MountFails(const std::vector<std::string>& words) {
    std::ifstream failures(MountFailuresFile);
    std::string listed;
    while (failures >> listed) {
        if (std::find(words.begin() + 1, words.end(), listed) != words.end()) return true;
    }
    return false;
}

int Refuse(const std::string& command, const std::string& reason) {
    ShellJournal::Append(command, "refused: " + reason);
    return RefusedStatus;
}

}  // namespace

int SimulatedShell::Run(const std::string& command) {
    // The station's programs end some commands with a line feed; the shell ignores it.
    std::string text = command;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    if (text.find_first_not_of(" \t") == std::string::npos) {
        ShellJournal::Append(text, "not run");
        return 0;
    }
    ShellCommandLine line;
    std::string reason;
    if (line.Parse(text, &reason) != 0) return Refuse(text, reason);

    const std::string& program = line.Words()[0];
    if (program == "mount" || program == "umount") {
        bool station = IsStationMount(line.Words());
        if (station && program == "mount" && MountFails(line.Words())) {
            ShellJournal::Append(text, "simulated mount failure");
            return MountFailedStatus;
        }
        ShellJournal::Append(text, station ? "simulated " + program : "not run");
        return 0;
    }
    if (std::find(std::begin(FileTools), std::end(FileTools), program) == std::end(FileTools)) {
        ShellJournal::Append(text, "not run");
        return 0;
    }
    Plan_T plan;
    if (PlanFileTool(line, &plan, &reason) != 0) return Refuse(text, reason);
    if (plan.argv.empty()) {
        ShellJournal::Append(text, "not run");
        return 0;
    }
    std::string outcome;
    int status = Execute(plan, &outcome);
    ShellJournal::Append(text, outcome);
    return status;
}

int SimulatedShell::PlanFileTool(const ShellCommandLine& line, Plan_T* plan, std::string* reason) {
    const std::vector<std::string>& words = line.Words();
    const std::string& program = words[0];
    if (MapRedirections(line, plan, reason) != 0) return 1;

    if (program == "echo") {
        bool intoFile = false;
        for (const Redirection_T& redirection : plan->redirections)
            if (redirection.descriptor == 1 && redirection.target != "/dev/null") intoFile = true;
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i].find_first_of(GlobCharacters) != std::string::npos) {
                *reason = "unexpected pattern in echo: " + words[i];
                return 1;
            }
        }
        // Echo is only used to write files; on the console it would mean nothing here.
        if (intoFile) plan->argv = words;
        return 0;
    }

    std::vector<size_t> operands;
    bool optionsEnded = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word[0] != '-' || word == "-") {
            operands.push_back(i);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word.find('/') != std::string::npos) {
            *reason = "option with a path: " + word;
            return 1;
        } else if ((program == "cp" || program == "ln") &&
                   (StartsWith(word, "--target") || (word[1] != '-' && word.find('t') != std::string::npos))) {
            // A target option would turn a read-only source into the destination.
            *reason = "target directory option: " + word;
            return 1;
        }
    }
    if (operands.empty()) {
        *reason = program + " without a file";
        return 1;
    }

    plan->argv.push_back(program);
    size_t operandNumber = 0;
    for (size_t i = 1; i < words.size(); ++i) {
        bool isOperand = operandNumber < operands.size() && operands[operandNumber] == i;
        if (!isOperand) {
            plan->argv.push_back(words[i]);
            continue;
        }
        ++operandNumber;
        bool modeOrGroup = (program == "chmod" || program == "chgrp") && operandNumber == 1;
        if (modeOrGroup) {
            if (words[i].find('/') != std::string::npos) {
                *reason = "unexpected path as mode or group: " + words[i];
                return 1;
            }
            plan->argv.push_back(words[i]);
            continue;
        }
        bool destination = program == "mkdir" || program == "rm" || program == "chmod" || program == "chgrp" ||
                           ((program == "cp" || program == "ln") && operandNumber == operands.size());
        if (MapOperand(program, words[i], destination, &plan->argv, reason) != 0) return 1;
    }
    return 0;
}

int SimulatedShell::MapOperand(const std::string& program, const std::string& word, bool destination,
                               std::vector<std::string>* mapped, std::string* reason) {
    if (HasParentComponent(word)) {
        *reason = "'..' in a path: " + word;
        return 1;
    }
    std::string path = word;
    if (word[0] == '/' && !MapIntoStation(word, &path)) {
        if (destination || !StartsWith(word, ReadOnlySources)) {
            *reason = "path outside the station folder: " + word;
            return 1;
        }
    }
    std::vector<std::string> paths;
    if (path.find_first_of(GlobCharacters) == std::string::npos) {
        paths.push_back(path);
    } else {
        glob_t matches;
        int found = glob(path.c_str(), 0, nullptr, &matches);
        if (found == 0)
            for (size_t i = 0; i < matches.gl_pathc; ++i) paths.push_back(matches.gl_pathv[i]);
        else if (found == GLOB_NOMATCH)
            paths.push_back(path);  // as the shell does: the tool then reports the missing file
        globfree(&matches);
        if (found != 0 && found != GLOB_NOMATCH) {
            *reason = "unreadable pattern: " + word;
            return 1;
        }
    }
    for (const std::string& each : paths) {
        if (destination) {
            bool followFinal = (program != "rm" && program != "ln") || each.back() == '/' ||
                               (program == "ln" && IsDirectory(each));
            if (!LeadsInside(each, followFinal)) {
                *reason = "path leads outside the station folder: " + word;
                return 1;
            }
        }
        mapped->push_back(each);
    }
    return 0;
}

int SimulatedShell::MapRedirections(const ShellCommandLine& line, Plan_T* plan, std::string* reason) {
    for (Redirection_T redirection : line.Redirections()) {
        const std::string target = redirection.target;
        if (target != "/dev/null") {
            if (HasParentComponent(target) || target.find_first_of(GlobCharacters) != std::string::npos) {
                *reason = "unexpected redirection target: " + target;
                return 1;
            }
            if (target[0] == '/' && !MapIntoStation(target, &redirection.target)) {
                *reason = "redirection outside the station folder: " + target;
                return 1;
            }
            if (!LeadsInside(redirection.target, true)) {
                *reason = "redirection leads outside the station folder: " + target;
                return 1;
            }
        }
        plan->redirections.push_back(redirection);
    }
    return 0;
}

int SimulatedShell::Execute(const Plan_T& plan, std::string* outcome) {
    std::string programPath = FindProgram(plan.argv[0]);
    std::vector<char*> argv;
    for (const std::string& word : plan.argv) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    // Spawned, not forked: a fork copies the page tables of the whole calling
    // process, which under the sanitizers or a fuzzer grows to hundreds of
    // megabytes, for every file command.
    SpawnActions actions;
    // Never the console: a prompting tool would steal the operator's input.
    posix_spawn_file_actions_addopen(&actions.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Targets are opened here so that one that cannot be opened fails as a
    // shell's redirection does, with exit status 1 and nothing run.
    std::vector<UniqueFd> targets;
    for (const Redirection_T& redirection : plan.redirections) {
        int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (redirection.append ? O_APPEND : O_TRUNC);
        targets.emplace_back(open(redirection.target.c_str(), flags, 0666));
        if (targets.back().fd < 0) {
            *outcome = "not started: cannot open " + redirection.target;
            return RefusedStatus;
        }
        posix_spawn_file_actions_adddup2(&actions.actions, targets.back().fd, redirection.descriptor);
    }
    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, programPath.c_str(), &actions.actions, nullptr, argv.data(), environ);
    if (spawnError != 0) {
        *outcome = std::string("not started: ") + std::strerror(spawnError);
        return NotRunStatus;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            *outcome = "ran, status lost";
            return -1;
        }
    }
    if (WIFSIGNALED(status))
        *outcome = "ran, signal " + std::to_string(WTERMSIG(status));
    else
        *outcome = "ran, exit " + std::to_string(WEXITSTATUS(status));
    return status;
}

}  // namespace VN_Sim

namespace VN_Lib {

int RunShellCommand(const std::string& command) { return VN_Sim::SimulatedShell::Run(command); }

// Programs fed on their standard input change accounts of the operating
// system: journaled with the masked input, never run.
int RunProgramWithInput(const std::vector<std::string>& argv, const ProgramInput_T& input) {
    std::string text;
    for (const std::string& arg : argv) text += (text.empty() ? "" : " ") + arg;
    VN_Sim::ShellJournal::Append(text + " < " + input.shown, "not run");
    return 0;
}

}  // namespace VN_Lib
