#!/usr/bin/env bash
# Generates the benchmark registers (cached outside the repository), runs every
# benchmark and prints one table: each figure of the program beside the
# reference measured in the same run, and their ratio.
#
#   bash bench/run.sh                      # 10k, 100k and 1M lines
#   BENCH_SIZES="100000" bash bench/run.sh # one size only
#
# Settings (environment):
#   BENCH_DIR        where the registers are kept      (/tmp/order-register-bench)
#   BENCH_SIZES      line counts                       ("10000 100000 1000000")
#   BENCH_RUNS       start-up pairs per size (A/B)     (7)
#   BENCH_PROCESSES  processes of bench_operations     (5)
#   BENCH_REPS       repetitions inside each process   (9)
#   BUILD_DIR        the CMake build folder            (build)
#   BENCH_REPORT_ONLY=1  print the table of the last run again, measure nothing
#   BENCH_FIGURES    only these in-process figures, comma-separated (no start-up),
#                    e.g. store,store_startup_view,store_supplier_view
#   BENCH_SHM=1      also the three store figures with a copy of each register in
#                    /dev/shm (shm_store...): the program's own work without the
#                    disk's wait for the commit; BENCH_SHM=only runs just those
# Last, bench_photo (the photo area's decoder against djpeg) prints its own table.
set -euo pipefail
cd "$(dirname "$0")/.."
BENCH_DIR=${BENCH_DIR:-/tmp/order-register-bench}
BENCH_SIZES=${BENCH_SIZES:-"10000 100000 1000000"}
BENCH_RUNS=${BENCH_RUNS:-7}
BENCH_PROCESSES=${BENCH_PROCESSES:-5}
BENCH_REPS=${BENCH_REPS:-9}
BUILD_DIR=${BUILD_DIR:-build}
BIN=$BUILD_DIR/bench
# The window at its designed size, as on a desktop screen (the tests use the same screen).
export QT_QPA_PLATFORM=offscreen:configfile=$PWD/tests/offscreen-screen.json
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# The raw lines (one per process and figure) stay beside the registers.
results=$BENCH_DIR/results.tsv
if [ -z "${BENCH_REPORT_ONLY:-}" ]; then
    cmake -S . -B "$BUILD_DIR" >/dev/null
    cmake --build "$BUILD_DIR" -j2 --target bench_generate bench_reference_grid bench_program_startup \
        bench_startup bench_operations bench_photo >/dev/null

    # A register is regenerated only when the generator changed since it was written.
    stamp=$(cat bench/RegisterGenerator.cpp bench/RegisterGenerator.h data/OrderColumns.cpp | sha1sum | cut -c1-12)
    for rows in $BENCH_SIZES; do
        dir=$BENCH_DIR/r$rows
        if [ ! -f "$dir/db1.mdb" ] || [ "$(cat "$dir/.stamp" 2>/dev/null)" != "$stamp" ]; then
            "$BIN/bench_generate" "$dir" "$rows" >&2
            echo "$stamp" >"$dir/.stamp"
        fi
    done

    # The offscreen platform warns about window size hints it cannot pass on.
    quiet() { grep -v 'does not support propagateSizeHints' >&2 || true; }

    : >"$results"
    for rows in $BENCH_SIZES; do
        [ "${BENCH_SHM:-}" = only ] && break
        dir=$BENCH_DIR/r$rows
        if [ -z "${BENCH_FIGURES:-}" ]; then
            echo "== $rows lines: start-up ($BENCH_RUNS pairs)" >&2
            "$BIN/bench_startup" "$dir" "$BENCH_RUNS" 2> >(quiet) | sed "s/^/$rows\t/" >>"$results"
        fi
        for ((p = 1; p <= BENCH_PROCESSES; p++)); do
            echo "== $rows lines: operations, process $p of $BENCH_PROCESSES" >&2
            "$BIN/bench_operations" "$dir" "$BENCH_REPS" ${BENCH_FIGURES:+"$BENCH_FIGURES"} 2> >(quiet) |
                sed "s/^/$rows\t/" >>"$results"
        done
    done

    # The same stores on a copy of the register in memory, removed again at the end.
    if [ -n "${BENCH_SHM:-}" ]; then
        shm=$(mktemp -d /dev/shm/order-register-bench.XXXXXX)
        trap 'rm -rf "$shm"' EXIT
        for rows in $BENCH_SIZES; do
            mkdir "$shm/r$rows"
            cp "$BENCH_DIR/r$rows"/{db1.mdb,Suppliers.txt,articles.txt,Batches.txt} "$shm/r$rows/"
            for ((p = 1; p <= BENCH_PROCESSES; p++)); do
                echo "== $rows lines in /dev/shm: stores, process $p of $BENCH_PROCESSES" >&2
                "$BIN/bench_operations" "$shm/r$rows" "$BENCH_REPS" store,store_startup_view,store_supplier_view \
                    2> >(quiet) | grep '^store' | sed "s/^/$rows\tshm_/" >>"$results"
            done
            rm -rf "${shm:?}/r$rows"
        done
    fi
fi

# Medians over the processes, the ratio as the median of the per-process
# ratios. The program's filter and sort figures include the grid's repaint, the
# engine references do not: the last column adds the minimal grid's repaint to
# the reference (median of the medians, not pair by pair).
awk -F'\t' '
function median(list,   n, a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] + 0 > t + 0; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
BEGIN {
    goal["startup"] = "<= 1.5"; goal["peak_rss"] = "<= 2"; goal["peak_rss_sorted_all"] = "<= 2"; goal["store"] = "<= 2"; goal["store_startup_view"] = "<= 2"; goal["store_supplier_view"] = "<= 2"
    goal["shm_store"] = "<= 3"; goal["shm_store_startup_view"] = "<= 3"; goal["shm_store_supplier_view"] = "<= 3"
    goal["filter_supplier"] = "<= 2"; goal["filter_startup_batch"] = "<= 2"; goal["filter_both"] = "<= 2"
    goal["filter_all"] = "<= 2"; goal["filter_supplier_from_all"] = "<= 2"; goal["filter_both_from_all"] = "<= 2"; goal["sort_first"] = "<= 1.5"; goal["sort_second"] = "<= 2"
    goal["find_first"] = "<= 2"; goal["find_none"] = "<= 2"
}
{
    id = $1 SUBSEP $2
    if (!(id in seen)) { seen[id] = 1; order[++count] = id }
    ref[id] = ref[id] " " $3; prog[id] = prog[id] " " $4; ratio[id] = ratio[id] " " $5; unit[id] = $6
}
END {
    printf "%-9s %-26s %13s %13s %6s %7s %11s\n", "lines", "figure", "reference", "program", "ratio", "goal", "with paint"
    for (k = 1; k <= count; k++) {
        id = order[k]; split(id, part, SUBSEP)
        r = ref[id] ~ /-/ ? "-" : sprintf("%.2f", median(ref[id]))
        u = ref[id] ~ /-/ ? "" : unit[id]
        q = sprintf("%.2f", median(prog[id]))
        x = ratio[id] ~ /-/ ? "-" : sprintf("%.2f", median(ratio[id]))
        g = (part[2] in goal) ? goal[part[2]] : "-"
        p = "-"
        paint = part[1] SUBSEP "repaint"
        if (part[2] ~ /^(filter|sort|find)_/ && (paint in ref))
            p = sprintf("%.2f", q / (r + median(ref[paint])))
        printf "%-9s %-26s %9s %-3s %9s %-3s %6s %7s %11s\n", part[1], part[2], r, u, q, unit[id], x, g, p
    }
}' "$results"

# The same engine work through the sqlite3 command-line tool (whole process,
# output thrown away): what any SQLite tool needs on these files.
if command -v sqlite3 >/dev/null && [ -z "${BENCH_FIGURES:-}" ] && [ "${BENCH_SHM:-}" != only ]; then
    echo
    printf "%-9s %-44s %10s\n" "lines" "sqlite3 CLI, whole process, median of 5" "ms"
    for rows in $BENCH_SIZES; do
        db=$BENCH_DIR/r$rows/db1.mdb
        while IFS='|' read -r name sql; do
            times=""
            for i in 1 2 3 4 5 6; do
                start=$(date +%s%N)
                sqlite3 "$db" "$sql" >/dev/null
                end=$(date +%s%N)
                [ "$i" -gt 1 ] && times="$times $(((end - start) / 1000))"
            done
            ms=$(echo "$times" | tr ' ' '\n' | grep . | sort -n | sed -n 3p)
            printf "%-9s %-44s %10.1f\n" "$rows" "$name" "$(awk -v us="$ms" 'BEGIN { print us / 1000 }')"
        done <<'EOF'
key scan (start-up reference)|SELECT key FROM Table1 ORDER BY key
supplier filter: keys + sums|SELECT key FROM Table1 WHERE dostavcik = 'D''Angelo Moda' ORDER BY key; SELECT COUNT(*), SUM(polucbr), SUM(obsto) FROM Table1 WHERE dostavcik = 'D''Angelo Moda'
batch filter: keys + sums|SELECT key FROM Table1 WHERE batch = 'ИСТ-8' ORDER BY key; SELECT COUNT(*), SUM(polucbr), SUM(obsto) FROM Table1 WHERE batch = 'ИСТ-8'
key, artikul (first sort's read)|SELECT key, artikul FROM Table1
ORDER BY artikul (BINARY, no index)|SELECT key FROM Table1 ORDER BY artikul, key
ORDER BY artikul COLLATE NOCASE|SELECT key FROM Table1 ORDER BY artikul COLLATE NOCASE, key
EOF
    done
fi

# Showing a large photo: the photo area's decoder against djpeg on the same
# files (bench_photo makes camera-like JPEGs once and prints its own table).
if [ -z "${BENCH_REPORT_ONLY:-}" ] && [ -z "${BENCH_FIGURES:-}" ] && [ "${BENCH_SHM:-}" != only ] &&
    [ -x "$BIN/bench_photo" ]; then
    echo
    echo "== photos" >&2
    "$BIN/bench_photo" --dir "$BENCH_DIR/photos" 2> >(grep -v 'does not support propagateSizeHints' >&2 || true)
fi
