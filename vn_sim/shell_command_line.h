#ifndef VN_SIM_SHELL_COMMAND_LINE_H
#define VN_SIM_SHELL_COMMAND_LINE_H

#include <string>
#include <vector>

namespace VN_Sim {

struct Redirection_T {
    int descriptor;  // 1 standard output, 2 standard error
    bool append;     // ">>" rather than ">"
    std::string target;
};

// The words and output redirections of one simple shell command, as the
// station's programs write them: words separated by blanks, "> FILE",
// ">> FILE", "2> FILE", "2>> FILE" (target attached or not). Anything that
// would make the shell do more than run one program is rejected.
class ShellCommandLine {
public:
    // 0, or 1 with *reason set when the text uses what this parser does not
    // expect (separators, pipes, substitutions, quotes, input redirection...).
    int Parse(const std::string& text, std::string* reason);

    const std::vector<std::string>& Words() const { return words; }
    const std::vector<Redirection_T>& Redirections() const { return redirections; }

private:
    // 0 when token is no redirection operator (*length 0) or one (*length its size).
    int ReadOperator(const std::string& token, Redirection_T* redirection, size_t* length, std::string* reason);

    std::vector<std::string> words;
    std::vector<Redirection_T> redirections;
};

}  // namespace VN_Sim

#endif
