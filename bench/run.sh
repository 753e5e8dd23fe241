#!/usr/bin/env bash
# The benchmark: measures the program against the floor any Win32 program pays, under Wine on one
# display, several rounds side by side, and prints one table (also written to
# build/bench/results.md with the machine it ran on). Run through `./dev.sh bench`, which builds
# first. Never part of the tests: figures here are not asserted on.
#   BENCH_ROUNDS=7 bench/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

rounds="${BENCH_ROUNDS:-7}"
x86=build/windows-x86
x64=build/windows-x64
exe_name="Tamlorix Install Urdu Phonetic.exe"
shipped="$x86/dist/$exe_name"
timed="$x64/dist/$exe_name"
floor="$x64/bench/bench_floor.exe"
floor_controls="$x64/bench/bench_floor_controls.exe"
out_dir=build/bench
mkdir -p "$out_dir"

for f in "$shipped" "$timed" "$floor" "$floor_controls" "$x64/bench/bench_probe.exe"; do
  [ -f "$f" ] || { echo "bench: $f is missing; build first (./dev.sh bench)" >&2; exit 1; }
done

# Start-up and memory: the shipped 32-bit program against its own floors, natively where this
# machine executes 32-bit code, else under emulation (wine-run.sh says which); and the x64 build
# of the same sources against its floors, natively.
for f in "$x86/bench/bench_floor.exe" "$x86/bench/bench_floor_controls.exe" "$x86/bench/bench_probe.exe"; do
  [ -f "$f" ] || { echo "bench: $f is missing; build first (./dev.sh bench)" >&2; exit 1; }
done
x86_mode=$("$x86/wine-run.sh" --x86-mode)
load_before=$(cut -d' ' -f1 /proc/loadavg)
echo "== Start-up and memory: $rounds rounds, the floors and the program in turns, under Wine" >&2
"$x64/wine-run.sh" --init
runs=$("$x64/wine-run.sh" "$x64/bench/bench_probe.exe" "$rounds" \
  "$PWD/$floor" "$PWD/$timed" "$PWD/$floor_controls" | tr -d '\r')
"$x64/wine-run.sh" --shutdown
echo "== The same for the shipped 32-bit program, $x86_mode" >&2
"$x86/wine-run.sh" --init
runs32=$("$x86/wine-run.sh" "$x86/bench/bench_probe.exe" "$rounds" "$PWD/$x86/bench/bench_floor.exe" \
  "$PWD/$shipped" "$PWD/$x86/bench/bench_floor_controls.exe" | tr -d '\r')
"$x86/wine-run.sh" --shutdown
probe_build=$x64

# Size and imports of the shipped program.
size=$(stat -c %s "$shipped")
imports=$(i686-w64-mingw32-objdump -p "$shipped" | sed -n 's/^\s*DLL Name: //p' | tr -d '\r')

# The font copy and the layout's setup, timed inside Wine by bench_install: the copier from a
# folder holding the distribution's real Urdu fonts, the setup from the distribution.
dist="$probe_build/dist"
for f in "$probe_build/bench/bench_install.exe" "$dist/lyurdu/setup.exe"; do
  [ -f "$f" ] || { echo "bench: $f is missing; build first (./dev.sh bench)" >&2; exit 1; }
done
font_dir="$out_dir/font-copy"
rm -rf "$font_dir" && mkdir -p "$font_dir/urdu fonts"
cp "$dist/urdu fonts/"*.ttf "$font_dir/urdu fonts/"
cp "$probe_build/bench/bench_install.exe" "$font_dir/"
echo "== Font copy: $rounds rounds, plain copies and the copier in turns" >&2
font_runs=$("$probe_build/wine-run.sh" "$PWD/$font_dir/bench_install.exe" fonts "$rounds" | tr -d '\r')
echo "== Layout setup: $rounds rounds of /quiet and /uninstall /quiet" >&2
setup_runs=$("$probe_build/wine-run.sh" "$probe_build/bench/bench_install.exe" setup "$rounds" \
  "$PWD/$dist/lyurdu/setup.exe" | tr -d '\r')

machine="$(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1), $(wine64 --version 2>/dev/null || /usr/lib/wine/wine64 --version), Xvfb 1280x1024 at 96 DPI, load average $load_before before and $(cut -d' ' -f1 /proc/loadavg) after the timed runs (start-up times are only comparable on an idle machine)"

RUNS="$runs" RUNS32="$runs32" X86_MODE="$x86_mode" SIZE="$size" IMPORTS="$imports" FONT_RUNS="$font_runs" SETUP_RUNS="$setup_runs" \
MACHINE="$machine" ROUNDS="$rounds" python3 - "$out_dir/results.md" <<'PY'
import os, statistics, sys, datetime

def read_runs(name):
    return [line.split() for line in os.environ[name].splitlines() if line.strip()]
builds = {"x64": read_runs("RUNS"), "x86": read_runs("RUNS32")}
def median(index, column, build):
    return statistics.median(float(r[column]) for r in builds[build] if r[0] == str(index))

# Windows' own DLLs (every one ships with Windows XP and later); anything else, and above all
# the MinGW runtime (libgcc_s*, libstdc++*, libwinpthread*), is a dependency the user lacks.
system_dlls = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "shlwapi.dll",
               "version.dll", "msvcrt.dll", "uxtheme.dll", "winmm.dll", "msimg32.dll",
               "imm32.dll", "userenv.dll", "psapi.dll"}
imports = os.environ["IMPORTS"].split()
foreign = [d for d in imports if d.lower() not in system_dlls]

rows = []
# Runs: 0 the floor, 1 the program, 2 the floor with six buttons and the program's manifest.
def ratio_row(name, unit, column, scale, build="x64"):
    program = median(1, column, build) / scale
    floor, controls = median(0, column, build) / scale, median(2, column, build) / scale
    ratio = program / floor
    rows.append((name, f"{program:,.0f} {unit}", f"{floor:,.0f} {unit}", f"{ratio:.2f}",
                 "≤ 1.10", "yes" if ratio <= 1.10 else "no"))
    rows.append(("… against the floor with six buttons and common controls 6",
                 f"{program:,.0f} {unit}", f"{controls:,.0f} {unit}", f"{program / controls:.2f}",
                 "(diagnostic)", "—"))
ratio_row("Start-up to the painted main window (median)", "ms", 1, 1)
ratio_row("Peak working set (median)", "KiB", 2, 1024)
ratio_row("Private bytes (median)", "KiB", 3, 1024)
x86_mode = os.environ["X86_MODE"]
ratio_row(f"Start-up, the shipped 32-bit program, {x86_mode} (median)", "ms", 1, 1, "x86")
ratio_row(f"Peak working set, 32-bit, {x86_mode} (median)", "KiB", 2, 1024, "x86")
size = int(os.environ["SIZE"])
rows.append(("Program file size (32-bit, shipped)", f"{size:,} B", "—",
             f"{size / 262144:.2f} of the limit", "< 256 KiB (262,144 B)",
             "yes" if size < 262144 else "no"))
rows.append(("Imports", ", ".join(imports), "—", "—", "Windows DLLs only",
             "yes" if not foreign else "no: " + ", ".join(foreign)))
# Font copy: "<round> <plain ms> <copier without registration ms> <copier ms> <bytes>
# <copier per-font work ms> <resolving the Fonts folder ms> <listing ms>".
fonts = [[float(x) for x in line.split()] for line in os.environ["FONT_RUNS"].splitlines() if line.strip()]
plain, copier, full, per_font, resolving, listing = (
    statistics.median(r[c] for r in fonts) for c in (1, 2, 3, 5, 6, 7))
mib = fonts[0][4] / (1024 * 1024)
def rate(ms):
    return f"{mib / (ms / 1000):,.1f} MiB/s ({ms:,.1f} ms)"
rows.append(("Font copy: `CopyFonts` without registering vs a plain CopyFileW loop (median)",
             rate(copier), rate(plain), f"{copier / plain:.2f}", "≤ 1.10",
             "yes" if copier / plain <= 1.10 else "no"))
rows.append(("… its work on each font (Fonts folder and listing given, as the loop has them)",
             rate(per_font), rate(plain), f"{per_font / plain:.2f}", "(diagnostic)", "—"))
rows.append(("… fixed cost of every run: the Fonts folder through the shell; the listing",
             f"{resolving:,.2f} ms; {listing:,.2f} ms", "—", "—", "(diagnostic)", "—"))
rows.append(("… `CopyFonts` in full (copy, register, load, announce) vs the same loop",
             rate(full), rate(plain), f"{full / plain:.2f}", "(full cost)", "—"))
# Layout setup: "<round> <install ms> <uninstall ms>".
setup = [[float(x) for x in line.split()] for line in os.environ["SETUP_RUNS"].splitlines() if line.strip()]
rows.append(("Layout setup `setup.exe /quiet` (median)",
             f"{statistics.median(r[1] for r in setup):,.0f} ms", "—", "—", "(measured)", "—"))
rows.append(("Layout setup `setup.exe /uninstall /quiet` (median)",
             f"{statistics.median(r[2] for r in setup):,.0f} ms", "—", "—", "(measured)", "—"))

head = ("Figure", "Program", "Floor", "Ratio", "Goal", "Met?")
table = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
table += ["| " + " | ".join(r) + " |" for r in rows]
note = (f"Start-up and memory: {os.environ['ROUNDS']} rounds after one warm-up each, floor and "
        f"program in turns, measured from outside by bench_probe; timed: the x64 build of the "
        f"same sources natively, and the shipped 32-bit program {x86_mode} against 32-bit "
        f"floors (ratios compare like with like; times under emulation are not Windows' "
        f"times). Font copy and layout setup: the x64 build. Floor: bench/floor, one empty window built with the same "
        f"settings; the second floor adds six plain buttons and the program's manifest. "
        f"Font copy: {len(fonts)} rounds over the distribution's {mib:.1f} MiB of Urdu fonts, each run "
        f"into an emptied Fonts folder, copier variants and plain loop in turns; the goal applies "
        f"to the copy (the copier's Fonts folder, listing, name reading, comparing and copying), "
        f"registration is extra work a plain copy does not do. "
        f"Layout setup: setup.exe of the same build, timed inside Wine from its start to its exit. "
        f"Machine: {os.environ['MACHINE']}. "
        f"Date: {datetime.date.today().isoformat()}.")
text = "\n".join(table) + "\n\n" + note + "\n"
print(text)
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write(text)
PY
echo "== Written to $out_dir/results.md" >&2
