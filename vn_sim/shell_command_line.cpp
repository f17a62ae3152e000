#include "vn_sim/shell_command_line.h"

namespace VN_Sim {

namespace {

// Characters that would make the shell do something other than run one
// program with plain words; glob characters are left to the caller. Constant
// data, as objects built before main (the global sampler) run commands.
const char* const Unexpected = ";|&`$()<\"'\\\n\r{}~";

std::vector<std::string> SplitBlanks(const std::string& text) {
    std::vector<std::string> tokens;
    size_t begin = text.find_first_not_of(" \t");
    while (begin != std::string::npos) {
        size_t end = text.find_first_of(" \t", begin);
        tokens.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        begin = end == std::string::npos ? end : text.find_first_not_of(" \t", end);
    }
    return tokens;
}

}  // namespace

int ShellCommandLine::ReadOperator(const std::string& token, Redirection_T* redirection, size_t* length,
                                   std::string* reason) {
    *length = 0;
    size_t at = 0;
    redirection->descriptor = 1;
    if (token.size() > 1 && (token[0] == '1' || token[0] == '2') && token[1] == '>') {
        redirection->descriptor = token[0] - '0';
        at = 1;
    }
    if (token.compare(at, 1, ">") != 0) {
        if (token.find('>') != std::string::npos) {
            *reason = "redirection inside a word: " + token;
            return 1;
        }
        return 0;
    }
    redirection->append = token.compare(at, 2, ">>") == 0;
    *length = at + (redirection->append ? 2 : 1);
    if (token.find('>', *length) != std::string::npos) {
        *reason = "unexpected redirection: " + token;
        return 1;
    }
    return 0;
}

int ShellCommandLine::Parse(const std::string& text, std::string* reason) {
    words.clear();
    redirections.clear();
    size_t bad = text.find_first_of(Unexpected);
    if (bad != std::string::npos) {
        char c = text[bad];
        *reason = c == '\n' ? std::string("unexpected newline") : std::string("unexpected shell character '") + c + "'";
        return 1;
    }
    std::vector<std::string> tokens = SplitBlanks(text);
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        if (token[0] == '#') {
            *reason = "unexpected comment";
            return 1;
        }
        Redirection_T redirection{1, false, ""};
        size_t length = 0;
        if (ReadOperator(token, &redirection, &length, reason) != 0) return 1;
        if (length == 0) {
            words.push_back(token);
            continue;
        }
        redirection.target = token.substr(length);
        if (redirection.target.empty()) {
            if (i + 1 >= tokens.size() || tokens[i + 1].find('>') != std::string::npos) {
                *reason = "redirection without a file";
                return 1;
            }
            redirection.target = tokens[++i];
        }
        redirections.push_back(redirection);
    }
    if (words.empty()) {
        *reason = "no program";
        return 1;
    }
    return 0;
}

}  // namespace VN_Sim
