// The line editor on libedit: Left/Right, Home/End, Backspace/Delete within
// the line and Up/Down through the lines of this run.
#include "console/line_editor.h"

#include <histedit.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace console {
namespace {

EditLine* editor;
History* history_list;
std::string prompt_text;
std::string line;    // the last line read, with its line end
std::size_t served;  // how much of it has been handed out

// Called as the editor is about to show the prompt, once its signal
// handlers are in place. The terminal leaves its plain mode here: the editor
// would do so only after the prompt is shown, and what the user typed in
// between would be echoed twice.
char* show_prompt(EditLine* e) {
    el_set(e, EL_PREP_TERM, 1);
    return prompt_text.data();
}

bool start_editor() {
    // The editor takes the line as characters of the user's character set,
    // so that a multibyte character moves and erases as one. The plain C
    // locale knows only ASCII and would have every other byte dropped, so
    // there the terminal is taken to send UTF-8, as terminals do today.
    const char* locale = std::setlocale(LC_CTYPE, "");
    if (locale == nullptr || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    editor = el_init("bity", stdin, stdout, stderr);
    history_list = history_init();
    if (editor == nullptr || history_list == nullptr) {
        end_line_editor();
        errno = ENOMEM;
        return false;
    }
    HistEvent event;
    // Every line of the run stays recallable; a repeated line is kept once.
    history(history_list, &event, H_SETSIZE, INT_MAX);
    history(history_list, &event, H_SETUNIQUE, 1);
    el_set(editor, EL_EDITOR, "emacs");
    el_set(editor, EL_PROMPT, show_prompt);
    el_set(editor, EL_HIST, history, history_list);
    // The editor puts the terminal back into its normal mode before Ctrl-C
    // or another signal ends the program, and back into its own after a stop.
    el_set(editor, EL_SIGNAL, 1);
    // A tab belongs to the text like any other character.
    el_set(editor, EL_BIND, "^I", "ed-insert", nullptr);
    // The usual sequences for Delete, Home, End and a word to the left or
    // right, whatever the terminal description says (a missing or dumb one
    // has none).
    el_set(editor, EL_BIND, "\\e[3~", "ed-delete-next-char", nullptr);
    el_set(editor, EL_BIND, "\\e[1~", "ed-move-to-beg", nullptr);
    el_set(editor, EL_BIND, "\\e[7~", "ed-move-to-beg", nullptr);
    el_set(editor, EL_BIND, "\\e[4~", "ed-move-to-end", nullptr);
    el_set(editor, EL_BIND, "\\e[8~", "ed-move-to-end", nullptr);
    el_set(editor, EL_BIND, "\\e[1;5D", "ed-prev-word", nullptr);  // Ctrl-Left
    el_set(editor, EL_BIND, "\\e[1;5C", "em-next-word", nullptr);  // Ctrl-Right
    return true;
}

}  // namespace

bool line_editor_wanted() {
    const char* term = std::getenv("TERM");
    return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1 &&
           (term == nullptr || std::strcmp(term, "dumb") != 0);
}

bool line_editor_has_rest() {
    return served < line.size();
}

std::ptrdiff_t read_edited(const char* prompt, std::size_t prompt_size, char* buffer,
                           std::size_t size) {
    if (!line_editor_has_rest()) {
        if (editor == nullptr && !start_editor()) return -1;
        prompt_text.assign(prompt, prompt_size);
        int count = 0;
        errno = 0;
        const char* text = el_gets(editor, &count);
        if (text == nullptr || count <= 0) return count < 0 ? -1 : 0;
        line.assign(text, static_cast<std::size_t>(count));
        served = 0;
        const std::size_t length = line.back() == '\n' ? line.size() - 1 : line.size();
        if (length > 0) {
            HistEvent event;
            history(history_list, &event, H_ENTER, line.substr(0, length).c_str());
        }
    }
    const std::size_t n = std::min(size, line.size() - served);
    std::memcpy(buffer, line.data() + served, n);
    served += n;
    return static_cast<std::ptrdiff_t>(n);
}

void end_line_editor() {
    if (editor != nullptr) el_end(editor);
    if (history_list != nullptr) history_end(history_list);
    editor = nullptr;
    history_list = nullptr;
    line.clear();
    served = 0;
}

}  // namespace console
