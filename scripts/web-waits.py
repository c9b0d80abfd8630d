#!/usr/bin/env python3
"""The functions of the browser's program that can be on the stack while it
waits (a frame, a sleep, the store's sync): the only ones Asyncify instruments.

    web-waits.py check LIST WASM SYMBOLS OBJECTS...
    web-waits.py write LIST WASM SYMBOLS OBJECTS...

WASM is the linked program and SYMBOLS its symbol map (em++ --emit-symbol-map);
OBJECTS are the program's own objects and static libraries (everything built
from src/ and soundlib/). "check" fails, naming them, when LIST (one function
a line, the form -sASYNCIFY_ONLY=@LIST reads) lacks a function that can wait
or names one that cannot; "write" rewrites LIST from the program.

A function can wait when it calls, directly or through a chain of calls, an
import that hands control back to the page: Emscripten's own (sleeps, syncs)
and the program's EM_ASYNC_JS functions. Calls through a function pointer (the
window driver, the state and unit tables; Emscripten's invoke_* for calls that
may throw) count as calls of every function of the table with that signature,
where the program's own code makes them. Code of the libraries (the C and C++
runtimes, SDL, libopenmpt) never calls one of the program's functions that
waits through a pointer: the program hands them none (libopenmpt gets its
reading and logging callbacks, which do not wait).
"""

import collections
import re
import subprocess
import sys

# Emscripten's imports that hand control back (emcc's DEFAULT_ASYNCIFY_IMPORTS).
WAITING_IMPORTS = re.compile(
    r"^(emscripten_sleep|emscripten_wget|emscripten_wget_data|emscripten_idb_\w+|SDL_Delay|"
    r"emscripten_scan_registers|emscripten_lazy_load_code|emscripten_fiber_swap|"
    r"__wasi_fd_sync|fd_sync|_emval_await|_dlopen_js)$")
# invoke_<result><function index><parameters>, legalized when a value is 64-bit.
INVOKE = re.compile(r"^(?:legalimport\$)?invoke_([vijfd])i([ijfd]*)$")
VALUE_TYPES = {"i": 0x7F, "j": 0x7E, "f": 0x7D, "d": 0x7C}


def leb(data, i):
    value = shift = 0
    while True:
        byte = data[i]
        i += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, i


def skip_leb(data, i):
    while data[i] & 0x80:
        i += 1
    return i + 1


# Opcodes with one LEB immediate (branches, locals, globals, tables, memory
# size, constants, ref.func) and with a memory argument (loads and stores).
ONE_LEB = {0x0C, 0x0D, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x3F, 0x40, 0x41, 0x42, 0xD2}
MEMORY_ARGUMENT = set(range(0x28, 0x3F))
BLOCK_TYPES = {0x40, 0x7F, 0x7E, 0x7D, 0x7C, 0x7B, 0x70, 0x6F}


def calls_of(data, i, end):
    """The calls of a function body, ("call", function) and ("indirect", type),
    and the globals it reads or sets, ("global", index)."""
    count, i = leb(data, i)
    for _ in range(count):
        i = skip_leb(data, i) + 1
    while i < end:
        op = data[i]
        i += 1
        if op == 0x10:
            function, i = leb(data, i)
            yield "call", function
        elif op == 0x11:
            type_index, i = leb(data, i)
            i = skip_leb(data, i)
            yield "indirect", type_index
        elif op in (0x02, 0x03, 0x04):
            i = i + 1 if data[i] in BLOCK_TYPES else skip_leb(data, i)
        elif op in (0x23, 0x24):
            index, i = leb(data, i)
            yield "global", index
        elif op in ONE_LEB:
            i = skip_leb(data, i)
        elif op in MEMORY_ARGUMENT:
            i = skip_leb(data, skip_leb(data, i))
        elif op == 0x43:
            i += 4
        elif op == 0x44:
            i += 8
        elif op == 0x0E:
            count, i = leb(data, i)
            for _ in range(count + 1):
                i = skip_leb(data, i)
        elif op == 0x1C:
            count, i = leb(data, i)
            i += count
        elif op == 0xD0:
            i += 1
        elif op == 0xFC:
            sub, i = leb(data, i)
            if sub in (8, 10, 12, 14):
                i = skip_leb(data, skip_leb(data, i))
            elif sub in (9, 11, 13, 15, 16, 17):
                i = skip_leb(data, i)
            elif sub > 7:
                raise ValueError("unknown instruction 0xfc %d" % sub)
        elif op in (0x06, 0x07, 0x08, 0x09, 0x12, 0x13, 0x18, 0x19, 0xFD, 0xFE):
            # Wasm exceptions, tail calls, SIMD, threads: the build uses none.
            raise ValueError("unexpected instruction 0x%02x" % op)


class Module:
    def __init__(self, path):
        data = open(path, "rb").read()
        if data[:4] != b"\0asm":
            raise ValueError("%s is not WebAssembly" % path)
        self.types, self.import_types, self.function_types = [], [], []
        self.table, self.bodies = set(), []
        i = 8
        while i < len(data):
            section = data[i]
            size, i = leb(data, i + 1)
            end, j = i + size, i
            if section == 1:
                count, j = leb(data, j)
                for _ in range(count):
                    j += 1
                    n, j = leb(data, j)
                    params, j = bytes(data[j:j + n]), j + n
                    n, j = leb(data, j)
                    results, j = bytes(data[j:j + n]), j + n
                    self.types.append((params, results))
            elif section == 2:
                count, j = leb(data, j)
                for _ in range(count):
                    for _ in range(2):
                        n, j = leb(data, j)
                        j += n
                    kind = data[j]
                    j += 1
                    if kind == 0:
                        t, j = leb(data, j)
                        self.import_types.append(t)
                    elif kind in (1, 2):
                        j += kind == 1
                        flags, j = leb(data, j)
                        j = skip_leb(data, j)
                        if flags & 1:
                            j = skip_leb(data, j)
                    else:
                        j += 2
            elif section == 3:
                count, j = leb(data, j)
                for _ in range(count):
                    t, j = leb(data, j)
                    self.function_types.append(t)
            elif section == 9:
                count, j = leb(data, j)
                for _ in range(count):
                    flags, j = leb(data, j)
                    if flags != 0 or data[j] != 0x41:
                        raise ValueError("unexpected table segment")
                    j = skip_leb(data, j + 1) + 1
                    n, j = leb(data, j)
                    for _ in range(n):
                        f, j = leb(data, j)
                        self.table.add(f)
            elif section == 10:
                count, j = leb(data, j)
                for _ in range(count):
                    n, j = leb(data, j)
                    self.bodies.append((data, j, j + n))
                    j += n
            i = end

    def signature(self, function):
        imports = len(self.import_types)
        t = self.import_types[function] if function < imports else self.function_types[function - imports]
        return self.types[t]


def read_symbols(path):
    """Function index to name; the map escapes as binaryen does ("\\28" for "(")."""
    names = {}
    for line in open(path, encoding="utf-8"):
        index, _, name = line.rstrip("\n").partition(":")
        names[int(index)] = re.sub(r"\\([0-9a-f]{2})", lambda m: chr(int(m.group(1), 16)), name)
    return names


def own_functions(objects):
    """The names of the functions built from the program's sources, and those of
    its EM_ASYNC_JS functions."""
    output = subprocess.run(["emnm", "--defined-only", "-C", *objects], check=True,
                            capture_output=True, text=True).stdout
    functions, waiting = set(), set()
    for line in output.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] in "TtWw":
            functions.add(parts[2])
        elif len(parts) == 3 and parts[2].startswith("__em_js____asyncjs__"):
            waiting.add(parts[2][len("__em_js____asyncjs__"):])
    return functions, waiting


def waiting_functions(module, names, own, async_js):
    imports = len(module.import_types)
    waits, invokes = set(), {}
    for f in range(imports):
        name = names.get(f, "")
        if WAITING_IMPORTS.match(name) or name in async_js:
            waits.add(f)
        m = INVOKE.match(name)
        if m:
            results = b"" if m.group(1) == "v" else bytes([VALUE_TYPES[m.group(1)]])
            invokes[f] = (bytes(VALUE_TYPES[c] for c in m.group(2)), results)
    callers = collections.defaultdict(set)
    pointer_callers = collections.defaultdict(set)  # by signature, the program's own
    for k, (data, start, end) in enumerate(module.bodies):
        f = imports + k
        mine = names.get(f) in own
        for kind, x in calls_of(data, start, end):
            if kind == "call" and x not in invokes:
                callers[x].add(f)
            elif kind != "global" and mine:
                pointer_callers[invokes[x] if kind == "call" else module.types[x]].add(f)
    work, signatures = list(waits), set()
    while work:
        f = work.pop()
        reached = set(callers[f])
        signature = module.signature(f)
        if f in module.table and signature not in signatures:
            signatures.add(signature)
            reached |= pointer_callers[signature]
        for g in reached - waits:
            waits.add(g)
            work.append(g)
    return {names.get(f, "$%d" % f) for f in waits if f >= imports}


def instrumented_share(module, names):
    """The functions Asyncify instrumented, their code's bytes and all code's
    bytes."""
    imports = len(module.import_types)
    done = instrumented_names(module, names)
    sizes = {names.get(imports + k): end - start for k, (_, start, end) in enumerate(module.bodies)}
    mine = [sizes[name] for name in done if not name.startswith("asyncify_")]
    return len(mine), sum(mine), sum(sizes.values())


def instrumented_names(module, names):
    """The functions that use Asyncify's globals, as asyncify_stop_unwind does:
    those it instrumented."""
    imports = len(module.import_types)
    bodies = {names.get(imports + k): body for k, body in enumerate(module.bodies)}
    if "asyncify_stop_unwind" not in bodies:
        return set()
    state = {x for kind, x in calls_of(*bodies["asyncify_stop_unwind"]) if kind == "global"}
    return {name for name, body in bodies.items()
            if any(kind == "global" and x in state for kind, x in calls_of(*body))}


def listed_name(name):
    """A name as the list holds it. Emscripten reads ".", "#" and "?" in the
    list as " ", "&" and ","; "*" stands for any text there, here for such a
    character and the one before it (binaryen's matcher fails on a pattern
    whose text before the "*" is a whole name, as "f" is of "f.1")."""
    return re.sub(r".[.#?]", "*", name)


def matches(pattern, name):
    return re.fullmatch(".*".join(map(re.escape, pattern.split("*"))), name) is not None


def main(argv):
    if len(argv) < 5 or argv[0] not in ("check", "write"):
        print(__doc__, file=sys.stderr)
        return 2
    mode, list_file, wasm, symbols, objects = argv[0], argv[1], argv[2], argv[3], argv[4:]
    own, async_js = own_functions(objects)
    if not async_js:
        print("%s: the program has no EM_ASYNC_JS function to wait on" % list_file, file=sys.stderr)
        return 1
    module, names = Module(wasm), read_symbols(symbols)
    needed = waiting_functions(module, names, own, async_js)
    if mode == "write":
        with open(list_file, "w", encoding="utf-8") as f:
            f.write("".join(name + "\n" for name in sorted(set(map(listed_name, needed)))))
        print("%s: %d functions" % (list_file, len(needed)))
        return 0
    with open(list_file, encoding="utf-8") as f:
        listed = {line.strip() for line in f if line.strip()}
    missing = sorted(name for name in needed if not any(matches(p, name) for p in listed))
    extra = sorted(p for p in listed if not any(matches(p, name) for name in needed))
    if missing or extra:
        print("%s is not the list of the functions that can wait; this makes it:\n  %s write %s"
              % (list_file, sys.argv[0], " ".join(argv[1:])), file=sys.stderr)
        for name in missing:
            print("  missing: " + name, file=sys.stderr)
        for name in extra:
            print("  cannot wait: " + name, file=sys.stderr)
        return 1
    left = sorted(needed - instrumented_names(module, names))
    if left:
        print("%s: Asyncify left out functions that can wait:\n  %s" % (wasm, "\n  ".join(left)),
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
