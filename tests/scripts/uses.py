#!/usr/bin/python3
"""What the project's scripts use from the machine, found by reading them.

Usage: /usr/bin/python3 uses.py ROOT [--unlisted NEEDS] FILE...

Prints one line per use, "KIND NAME FILE", KIND being
  command  a program started by name (found on PATH), or by an absolute path
  file     an absolute path into the system (/usr, /bin, /sbin, /lib)
  python   a module that a piece of Python imports, outside Python's own library
  function a shell function that a script defines (a name that is no program)

Shell scripts are read as bash itself parses them: each is wrapped into a function, and bash's
`declare -f` prints it back with the comments gone and every command in one form. The words in
command position are then taken from that: the first word of each simple command, and the
command that a wrapper runs (timeout, env, xargs, chroot, exec, and our own check, wait_until,
at_exit, adopt); the strings that eval, trap, `bash -c` and `sh -c` run are read the same way,
and so is every command substitution. A word that holds an expansion ($x) names no program that
can be read here. Python code (files, here-documents and -c strings given to a python) is read
with Python's own parser.

With --unlisted NEEDS (scripts/needs, the list that setup installs from) it prints instead each
use that NEEDS does not hold, and why it counts: the package that brings it on this machine is not
one of Debian's essential ones (which every Debian has), or none does. A file need holds the paths
below it, and those above it. It exits 1 when it printed any.
"""
import ast
import os
import re
import shutil
import subprocess
import sys

ROOT = sys.argv[1]
KEYWORDS = set("if then else elif fi do done while until for in case esac select function time ! { } [[ ]] coproc".split())
BUILTINS = set(subprocess.run(["bash", "-c", "compgen -b"], capture_output=True, text=True).stdout.split())
# Wrappers: the words they take before the command they run.
WRAPPERS = {"exec", "command", "nice", "nohup", "sudo", "builtin", "timeout", "env", "xargs", "chroot",
            "check", "wait_until", "at_exit", "adopt", "then", "do", "else", "!", "time"}
ASSIGNMENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=")
# Commands that print what they are given: a path in a message or in data written out is not used.
MESSAGES = {"echo", "printf", "say", "die", "fail", "skip", "pass", "_sandbox_say"}
SYSTEM_PATH = re.compile(r"(?<![\w./$-])(/(?:usr|bin|sbin|lib)/[\w.+/-]*[\w+])")

uses = set()


def use(kind, name, where):
    uses.add((kind, name, where))


def normalized(path):
    """The script as bash prints it back: no comments, one form for every command."""
    text = open(path, encoding="utf-8").read()
    out = subprocess.run(["bash", "-c", 'eval "__uses_scan() {\n$(cat "$1")\n}" && declare -f __uses_scan', "_", path],
                         capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit("%s: bash cannot parse it: %s" % (path, out.stderr.strip()))
    return out.stdout, text


def closing(text, i, open_ch, close_ch):
    """Index just past the close_ch that matches text[i] == open_ch, over quotes and nesting."""
    depth, j = 0, i
    while j < len(text):
        c = text[j]
        if c == "\\":
            j += 2
            continue
        if c == "'" and open_ch != "{":
            j = text.index("'", j + 1) + 1 if "'" in text[j + 1:] else len(text)
            continue
        if c == '"':
            j = dquote_end(text, j)
            continue
        if c == open_ch:
            depth += 1
        elif c == close_ch:
            depth -= 1
            if depth == 0:
                return j + 1
        j += 1
    return len(text)


def dquote_end(text, i):
    """Index just past the double-quoted string that starts at text[i]."""
    j = i + 1
    while j < len(text):
        c = text[j]
        if c == "\\":
            j += 2
            continue
        if c == '"':
            return j + 1
        if text.startswith("$(", j):
            j = closing(text, j + 1, "(", ")")
            continue
        if c == "`":
            k = text.find("`", j + 1)
            j = len(text) if k < 0 else k + 1
            continue
        j += 1
    return len(text)


def substitutions(word):
    """The command substitutions inside a word (unquoted or in double quotes)."""
    found, j = [], 0
    while j < len(word):
        c = word[j]
        if c == "\\":
            j += 2
            continue
        if c == "'":
            k = word.find("'", j + 1)
            j = len(word) if k < 0 else k + 1
            continue
        if word.startswith("$((", j):
            j = closing(word, j + 1, "(", ")")
            continue
        if word.startswith("$(", j) or word.startswith("<(", j) or word.startswith(">(", j):
            end = closing(word, j + 1, "(", ")")
            found.append(word[j + 2:end - 1])
            j = end
            continue
        if c == "`":
            k = word.find("`", j + 1)
            k = len(word) if k < 0 else k
            found.append(word[j + 1:k])
            j = k + 1
            continue
        j += 1
    return found


def unquote(word):
    """The text of a word that holds no expansion, or None."""
    out, j = [], 0
    while j < len(word):
        c = word[j]
        if c == "'":
            k = word.index("'", j + 1)
            out.append(word[j + 1:k])
            j = k + 1
        elif c == '"':
            k = dquote_end(word, j)
            inner = word[j + 1:k - 1]
            if "$" in inner or "`" in inner:
                return None
            out.append(re.sub(r'\\([$`"\\])', r"\1", inner))
            j = k
        elif c == "\\":
            out.append(word[j + 1:j + 2])
            j += 2
        elif c in "$`":
            return None
        else:
            out.append(c)
            j += 1
    return "".join(out)


def tokens(text):
    """Words and operators of shell text, with here-document bodies as ("<<body", text) pairs."""
    out, j, pending = [], 0, []
    n = len(text)
    while j < n:
        c = text[j]
        if c == "\n":
            out.append(("op", "\n"))
            j += 1
            for delim, strip in pending:
                body = []
                while j < n:
                    k = text.find("\n", j)
                    k = n if k < 0 else k
                    line = text[j:k]
                    j = k + 1
                    if (line.lstrip("\t") if strip else line) == delim:
                        break
                    body.append(line)
                out.append(("body", "\n".join(body)))
            pending = []
            continue
        if c in " \t":
            j += 1
            continue
        if text.startswith("<<", j) and not text.startswith("<<<", j):
            j += 2
            strip = text.startswith("-", j)
            j += 1 if strip else 0
            while j < n and text[j] in " \t":
                j += 1
            k = j
            while k < n and text[k] not in " \t\n;|&<>)":
                k += 1
            pending.append((unquote(text[j:k]) or text[j:k], strip))
            j = k
            continue
        if text.startswith("[[ ", j):
            k = j + 2
            while k < n:
                if text[k] == '"':
                    k = dquote_end(text, k)
                elif text[k] == "'":
                    k = text.index("'", k + 1) + 1
                elif text.startswith(" ]]", k) and (k + 3 >= n or text[k + 3] in " \t\n;|&)"):
                    k += 3
                    break
                else:
                    k += 1
            out.append(("word", text[j:k]))  # a test: no command in it, but its substitutions
            j = k
            continue
        if text.startswith("((", j) and (j == 0 or text[j - 1] != "$"):
            k = closing(text, j, "(", ")")
            out.append(("word", text[j:k]))  # arithmetic: no command in it
            j = k
            continue
        for op in (";;", "&&", "||", "|&", ";", "|", "&", "(", ")"):
            if text.startswith(op, j) and not (op in "()" and j > 0 and text[j - 1] in "$<>"):
                out.append(("op", op))
                j += len(op)
                break
        else:
            if c in "<>" or (c.isdigit() and re.match(r"\d+[<>]", text[j:])):
                m = re.match(r"\d*(<<<|>>|<>|>&|<&|>\||[<>])", text[j:])
                if text.startswith("(", j + m.end()) and m.group(1) in "<>":
                    k = closing(text, j + m.end(), "(", ")")
                    out.append(("word", text[j + m.end() - 1:k]))  # a process substitution
                    j = k
                else:
                    out.append(("redir", m.group(0)))
                    j += m.end()
                continue
            k = j
            while k < n and text[k] not in " \t\n;|&<>()":
                if text[k] == "\\":
                    k += 2
                elif text[k] == "'":
                    k = text.index("'", k + 1) + 1
                elif text[k] == '"':
                    k = dquote_end(text, k)
                elif text.startswith("$((", k):
                    k = closing(text, k + 1, "(", ")")
                elif text.startswith("$(", k) or text.startswith("${", k):
                    k = closing(text, k + 1, "(" if text[k + 1] == "(" else "{", ")" if text[k + 1] == "(" else "}")
                elif text[k] == "`":
                    k = text.index("`", k + 1) + 1
                else:
                    k += 1
            if text[k - 1:k] == "=" and text.startswith("(", k):
                k = closing(text, k, "(", ")")  # an array's words: no command in them
            out.append(("word", text[j:k]))
            j = k
    return out


def python_code(code, where):
    try:
        tree = ast.parse(code)
    except SyntaxError as error:
        sys.exit("%s: Python that does not parse: %s" % (where, error))
    for node in ast.walk(tree):
        names = []
        if isinstance(node, ast.Import):
            names = [a.name for a in node.names]
        elif isinstance(node, ast.ImportFrom) and node.level == 0 and node.module:
            names = [node.module]
        for name in names:
            top = name.split(".")[0]
            if top not in sys.stdlib_module_names and not own_module(top):
                use("python", top, where)


def own_module(name):
    return name in OWN_MODULES


OWN_MODULES = {f[:-3] for rel in sys.argv[2:] for f in [os.path.basename(rel)] if f.endswith(".py")}


def is_python(word):
    return word is not None and "python" in os.path.basename(word)


def command_word(words, where, i=0):
    """Records the command that words[i:] start with, and those that a wrapper among them runs."""
    while i < len(words) and ASSIGNMENT.match(words[i]):
        i += 1
    if i >= len(words):
        return
    raw = words[i]
    if raw.startswith(("((", "[[ ")) or re.match(r"^\{\w+\}$", raw) or raw in ("for", "select"):
        return  # arithmetic, a file descriptor's name before its redirection, a loop's list
    name = unquote(raw)
    args = words[i + 1:]
    if name is None:
        # A program named by a variable: only what it is given can be read ($python -c CODE).
        if "python" in raw.lower() and "-c" in args[:-1]:
            code = unquote(args[args.index("-c") + 1])
            if code is not None:
                python_code(code, where)
        return
    if name in KEYWORDS - WRAPPERS:
        return command_word(words, where, i + 1)
    if "/" in name:
        if name.startswith("/"):
            use("command", name, where)
    elif name not in BUILTINS and name not in KEYWORDS:
        use("command", name, where)  # a wrapper that is a program (timeout, env) too
    base = os.path.basename(name)
    if "python" in base and "-c" in args[:-1]:
        code = unquote(args[args.index("-c") + 1])
        if code is not None:
            python_code(code, where)
    if base in ("bash", "sh", "dash") and "-c" in args[:-1]:
        code = unquote(args[args.index("-c") + 1])
        if code is not None:
            shell_text(code, where)
    if name in ("eval", "trap") and args and args[0] != "-":
        code = unquote(args[0])
        if code is not None:
            shell_text(code, where)
        return
    # The command a wrapper runs.
    rest = list(args)
    if name in ("exec", "nice", "nohup", "sudo", "builtin", "then", "do", "else", "!", "time"):
        pass
    elif name == "command":
        rest = [a for a in rest if a not in ("-v", "-V", "-p")]
    elif name == "timeout":
        while rest and rest[0].startswith("-"):
            rest = rest[2:] if rest[0] in ("-k", "-s") else rest[1:]
        rest = rest[1:]
    elif name == "env":
        while rest and (rest[0].startswith("-") or "=" in rest[0]):
            rest = rest[2:] if rest[0] in ("-u", "-C", "-S") else rest[1:]
    elif name == "xargs":
        while rest and rest[0].startswith("-"):
            rest = rest[2:] if rest[0] in ("-n", "-I", "-P", "-L", "-d", "-s", "-a") else rest[1:]
    elif name == "chroot":
        while rest and rest[0].startswith("-"):
            rest = rest[1:]
        rest = rest[1:]
    elif name in ("check", "wait_until", "adopt"):
        # check --needs PREREQ NAME ..., wait_until --every SECONDS LIMIT ...: the options, then one word.
        while rest and rest[0] in ("--needs", "--every"):
            rest = rest[2:]
        rest = rest[1:]
    elif name == "at_exit":
        if len(rest) == 1:
            code = unquote(rest[0])
            if code is not None:
                shell_text(code, where)
            return
    else:
        return
    if rest:
        command_word(rest, where)


def system_paths(words, where):
    """Records the system paths that a simple command names, but not those of a message it
    prints, nor the folders of a PATH it sets."""
    plain = [w for w in words if not ASSIGNMENT.match(w)]
    if plain and unquote(plain[0]) in MESSAGES:
        return
    for word in words:
        if not word.startswith(("PATH=", "export PATH=")):
            for path in SYSTEM_PATH.findall(word):
                use("file", path, where)


def shell_text(text, where, functions=None):
    """Records what a piece of shell text (bash's normalized form, or a string it runs) uses."""
    # A string that bash runs is not in the normalized form: its functions are "name() {".
    for name in re.findall(r"(?m)(?:^|[;&|{(])\s*([A-Za-z_][\w-]*)\s*\(\)\s*\{", text):
        use("function", name, where)
    words = []         # the words of the simple command being read; a redirection's target is left out
    redirect = False   # the next word is a redirection's target
    cases = []         # per open case: "word" (before its "in"), "pattern" or "body"
    last = None        # the first word of the last simple command: a here-document after it is its input

    def flush():
        nonlocal words, last
        if words:
            last = words[0]
            system_paths(words, where)
            if words[0] == "function" and len(words) > 1:
                if functions is not None:
                    functions.add(words[1])
            else:
                command_word(words, where)
        words = []

    for kind, value in tokens(text):
        if kind == "body":
            if last is not None and is_python(unquote(last)):
                python_code(value, where)
            continue
        if kind == "redir":
            redirect = True
            continue
        if kind == "word":
            for sub in substitutions(value):
                shell_text(sub, where, functions)
            if redirect:
                redirect = False
                continue
            if cases and cases[-1] == "word":
                if value == "in":
                    cases[-1] = "pattern"
                continue
            if cases and cases[-1] == "pattern":
                if value == "esac":
                    cases.pop()
                continue  # a pattern, up to its ")"
            if not words and value == "case":
                cases.append("word")
                continue
            if not words and value == "esac" and cases:
                cases.pop()
                continue
            words.append(value)
            continue
        # An operator ends a simple command.
        redirect = False
        flush()
        if cases and cases[-1] == "pattern" and value == ")":
            cases[-1] = "body"
        elif cases and cases[-1] == "body" and value in (";;", ";&", ";;&"):
            cases[-1] = "pattern"
    flush()


def shell_file(path, rel):
    text, raw = normalized(path)
    body = text.split("\n", 2)[2] if text.count("\n") >= 2 else ""
    functions = set()
    shell_text(body, rel, functions)
    for f in functions:
        use("function", f, rel)


def owners(paths):
    """The package that installed each path (or the path of the other side of the merged /usr, or
    where a symlink leads), from one question to dpkg."""
    names = {}
    for path in paths:
        names[path] = [path, os.path.realpath(path)]
        names[path] += [p[4:] if p.startswith("/usr/") else "/usr" + p for p in list(names[path])]
    asked = sorted({n for ns in names.values() for n in ns})
    out = subprocess.run(["dpkg-query", "-S"] + asked, capture_output=True, text=True).stdout if asked else ""
    owner = {}
    for line in out.splitlines():
        if line.startswith("diversion by") or ": " not in line:
            continue
        packages, path = line.split(": ", 1)
        owner.setdefault(path, packages.split(",")[0].split(":")[0].strip())
    return {path: next((owner[n] for n in ns if n in owner), None) for path, ns in names.items()}


def essential(packages):
    out = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${Essential}\n"] + sorted(packages),
                         capture_output=True, text=True).stdout if packages else ""
    return {line.split()[0] for line in out.splitlines() if line.endswith(" yes")}


def unlisted(needs_file):
    """Every use that the list of needs lacks and that no essential package brings, with why."""
    listed, files = set(), []
    for line in open(needs_file, encoding="utf-8"):
        fields = line.split()
        if len(fields) == 5 and not fields[0].startswith("#"):
            listed.add((fields[0], fields[1]))
            if fields[0] == "file":
                files.append(fields[1])
    functions = {name for kind, name, _ in uses if kind == "function"}

    def covered(path):
        import fnmatch
        return ("command", path) in listed or any(
            fnmatch.fnmatch(path, f) or path.startswith(f + "/") or f.startswith(path + "/") for f in files)

    open_uses, paths = [], {}
    for kind, name, where in sorted(uses):
        if kind == "function" or (kind == "command" and name in functions):
            continue
        path = None
        if kind == "python":
            if (kind, name) in listed:
                continue
        elif name.startswith("/"):
            if not SYSTEM_PATH.fullmatch(name) or covered(name):
                continue  # not the system's (the VM's, a work disk's), or listed
            path = name
        else:
            if (kind, name) in listed:
                continue
            path = shutil.which(name)
        open_uses.append((kind, name, where, path))
    owner = owners({p for *_, p in open_uses if p})
    kept = essential({o for o in owner.values() if o})
    found = []
    for kind, name, where, path in open_uses:
        package = owner.get(path) if path else None
        if package in kept:
            continue
        why = ("it comes from %s, which is not essential" % package) if package else "no package of this machine brings it"
        found.append("%s %s (in %s): not in %s; %s" % (kind, name, where, os.path.basename(needs_file), why))
    return found


def main():
    needs_file = None
    if sys.argv[2] == "--unlisted":
        needs_file = sys.argv[3]
        del sys.argv[2:4]
    for rel in sys.argv[2:]:
        path = os.path.join(ROOT, rel)
        first = open(path, encoding="utf-8", errors="replace").readline()
        if rel.endswith(".py") or (first.startswith("#!") and "python" in first):
            python_code(open(path, encoding="utf-8").read(), rel)
            for path_used in SYSTEM_PATH.findall(first):
                use("command", path_used, rel)
        elif rel.endswith((".cmake", "CMakeLists.txt")):
            text = "\n".join(l.split("#", 1)[0] for l in open(path, encoding="utf-8"))
            for path_used in SYSTEM_PATH.findall(text):
                use("file", path_used, rel)
        else:
            shell_file(path, rel)
    if needs_file:
        found = unlisted(needs_file)
        print("\n".join(found))
        sys.exit(1 if found else 0)
    for kind, name, where in sorted(uses):
        print(kind, name, where)


main()
