#!/usr/bin/env bash
# The register on a PostgreSQL server over the local Unix socket: starts a
# private PostgreSQL 15 server for the benchmark (stopped again at the end),
# fills it once with the generated register, runs the server benchmarks and
# prints one table: each figure of the program beside the reference measured
# in the same run, and their ratio.
#
#   bash bench/run-server.sh                        # 1M lines, about 2 minutes (+30 s for the first fill)
#   BENCH_ROWS=100000 bash bench/run-server.sh      # another size
#
# Settings (environment):
#   BENCH_DIR            registers and the server's cluster   (/tmp/order-register-bench)
#   BENCH_ROWS           line count                           (1000000)
#   BENCH_RUNS           start-up rounds                      (9)
#   BENCH_PROCESSES      processes of bench_server_operations (3)
#   BENCH_REPS           repetitions inside each process      (7)
#   BENCH_CLIENT_LINES   lines each of two clients stores     (500)
#   BENCH_CLIENT_ROUNDS  rounds of the two-client figure      (9)
#   BENCH_PG_PORT        the private server's port            (5477)
#   BENCH_LOG_STATEMENTS=1  the server logs every statement to $BENCH_DIR/pg/server.log
#   BUILD_DIR            the CMake build folder               (build)
#   BENCH_REPORT_ONLY=1  print the table of the last run again, measure nothing
#   BENCH_CLIENTS_ONLY=1 measure the two-client figure alone
#   BENCH_FIGURES        only these in-process figures, comma-separated (no start-up,
#                        no two-client figure), e.g. store,store_startup_view,store_supplier_view
set -euo pipefail
cd "$(dirname "$0")/.."
BENCH_DIR=${BENCH_DIR:-/tmp/order-register-bench}
BENCH_ROWS=${BENCH_ROWS:-1000000}
BENCH_RUNS=${BENCH_RUNS:-9}
BENCH_PROCESSES=${BENCH_PROCESSES:-3}
BENCH_REPS=${BENCH_REPS:-7}
BENCH_CLIENT_LINES=${BENCH_CLIENT_LINES:-500}
BENCH_CLIENT_ROUNDS=${BENCH_CLIENT_ROUNDS:-9}
BENCH_PG_PORT=${BENCH_PG_PORT:-5477}
BUILD_DIR=${BUILD_DIR:-build}
PG_BIN=${PG_BIN:-/usr/lib/postgresql/15/bin}
BIN=$BUILD_DIR/bench
# The window at its designed size, as on a desktop screen (the tests use the same screen).
export QT_QPA_PLATFORM=offscreen:configfile=$PWD/tests/offscreen-screen.json
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

file_dir=$BENCH_DIR/r$BENCH_ROWS        # the embedded register, shared with bench/run.sh
pg=$BENCH_DIR/pg                        # the cluster, its socket and log
server_dir=$pg/r$BENCH_ROWS             # the program's folder: db1.conninfo and the pick lists
database=register_r$BENCH_ROWS
results=$pg/results-r$BENCH_ROWS.tsv
conninfo="host=$pg port=$BENCH_PG_PORT dbname=$database user=postgres"

# PostgreSQL refuses to run as root: the cluster then belongs to "postgres".
as_owner() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
sql() { psql -X -q -tA -v ON_ERROR_STOP=1 -h "$pg" -p "$BENCH_PG_PORT" -U postgres "$@"; }

start_server() {
    mkdir -p "$pg"
    [ "$(id -u)" = 0 ] && chown postgres: "$pg"
    if [ ! -f "$pg/data/PG_VERSION" ]; then
        echo "== initdb $pg/data" >&2
        as_owner "$PG_BIN/initdb" -D "$pg/data" -A trust -E UTF8 --locale=C.UTF-8 >/dev/null
    fi
    if as_owner "$PG_BIN/pg_ctl" -D "$pg/data" status >/dev/null 2>&1; then
        echo "a server already runs on $pg/data (stop it: $PG_BIN/pg_ctl -D $pg/data stop)" >&2
        exit 1
    fi
    # Durability as in production: fsync, synchronous_commit and the WAL
    # settings stay at their defaults. Only the socket is private.
    local options="-c listen_addresses='' -c unix_socket_directories='$pg' -p $BENCH_PG_PORT"
    [ -n "${BENCH_LOG_STATEMENTS:-}" ] && options="$options -c log_statement=all"
    as_owner "$PG_BIN/pg_ctl" -D "$pg/data" -l "$pg/server.log" -w -o "$options" start >/dev/null
    trap 'as_owner "$PG_BIN/pg_ctl" -D "$pg/data" -m fast -w stop >/dev/null' EXIT
}

# The embedded register as bench/run.sh makes it (regenerated only when the
# generator changed), then the server register filled from it once: kept in
# the cluster between runs, refilled only when its lines or the generator differ.
prepare_registers() {
    local file_stamp stamp
    # The embedded register's stamp is bench/run.sh's own, so that the two
    # scripts do not each generate it again after the other ran.
    file_stamp=$(cat bench/RegisterGenerator.cpp bench/RegisterGenerator.h data/OrderColumns.cpp | sha1sum | cut -c1-12)
    stamp=$(cat bench/RegisterGenerator.cpp bench/RegisterGenerator.h data/OrderColumns.cpp data/PostgresEngine.cpp | sha1sum | cut -c1-12)
    if [ ! -f "$file_dir/db1.mdb" ] || [ "$(cat "$file_dir/.stamp" 2>/dev/null)" != "$file_stamp" ]; then
        "$BIN/bench_generate" "$file_dir" "$BENCH_ROWS" >&2
        echo "$file_stamp" >"$file_dir/.stamp"
    fi
    mkdir -p "$server_dir"
    cp "$file_dir"/*.txt "$server_dir/"
    echo "$conninfo" >"$server_dir/db1.conninfo"
    local lines
    lines=$(sql -d "$database" -c "SELECT COUNT(*) FROM Table1" 2>/dev/null || echo none)
    if [ "$lines" = "$BENCH_ROWS" ] && [ "$(cat "$server_dir/.stamp" 2>/dev/null)" = "$stamp" ]; then
        return
    fi
    echo "== filling the server register ($BENCH_ROWS lines)" >&2
    sql -d postgres -c "DROP DATABASE IF EXISTS $database"
    "$BUILD_DIR/register_server" create "$server_dir" >/dev/null
    # move reads FOLDER/db1.mdb: a copy, removed again so the folder is a
    # server folder only.
    cp "$file_dir/db1.mdb" "$server_dir/db1.mdb"
    "$BUILD_DIR/register_server" move "$server_dir" 2>/dev/null
    rm -f "$server_dir"/db1.mdb*
    # What autovacuum does soon after a move anyway, done now so that every
    # run meets the same table (statistics, visibility map for index-only sums).
    sql -d "$database" -c "VACUUM (ANALYZE) Table1"
    echo "$stamp" >"$server_dir/.stamp"
}

# The start-up's reference for psql: the statements the program's start-up
# needs, in its own words (OrderTable::selectView, readSums, RowCache): the
# view's keys and its sums in one REPEATABLE READ transaction, then the lines
# of the grid's first screen, read one by one by key through one prepared
# statement. 23 rows fill the first paint of the grid (counted in the log).
write_startup_script() {
    local batch_filter="(batch = 'ИСТ-8')" columns
    columns=$(sql -d "$database" -c "SELECT string_agg(column_name::text, ', ' ORDER BY ordinal_position)
                                      FROM information_schema.columns WHERE table_name = 'table1'")
    {
        echo "SET DateStyle = ISO;"
        echo "SET lock_timeout = '5s';"
        echo "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY;"
        echo "SELECT key FROM Table1 WHERE $batch_filter ORDER BY key;"
        echo "SELECT COUNT(*), CAST(COALESCE(SUM(polucbr), 0) AS BIGINT), CAST(COALESCE(SUM(obsto), 0) AS BIGINT) FROM Table1 WHERE $batch_filter;"
        echo "COMMIT;"
        echo "PREPARE line(integer) AS SELECT $columns, xmin::text FROM Table1 WHERE key = \$1;"
        sql -d "$database" -c "SELECT key FROM Table1 WHERE $batch_filter ORDER BY key LIMIT 23" | sed 's/.*/EXECUTE line(&);/'
    } >"$pg/startup-r$BENCH_ROWS.sql"
}

quiet() { grep -v 'does not support propagateSizeHints' >&2 || true; }

if [ -z "${BENCH_REPORT_ONLY:-}" ]; then
    cmake -S . -B "$BUILD_DIR" >/dev/null
    cmake --build "$BUILD_DIR" -j2 --target bench_generate register_server bench_reference_grid \
        bench_program_startup bench_startup bench_server_startup bench_server_operations bench_server_clients >/dev/null
    start_server
    prepare_registers
    write_startup_script
    : >"$results"
fi
if [ -z "${BENCH_REPORT_ONLY:-}" ] && [ -n "${BENCH_FIGURES:-}" ]; then
    for ((p = 1; p <= BENCH_PROCESSES; p++)); do
        echo "== $BENCH_FIGURES on the server, process $p of $BENCH_PROCESSES" >&2
        "$BIN/bench_server_operations" "$server_dir" "$BENCH_REPS" "$BENCH_FIGURES" 2> >(quiet) |
            sed "s/^/server\t/" >>"$results"
    done
elif [ -z "${BENCH_REPORT_ONLY:-}" ] && [ -z "${BENCH_CLIENTS_ONLY:-}" ]; then
    echo "== start-up on the file ($BENCH_RUNS pairs)" >&2
    "$BIN/bench_startup" "$file_dir" "$BENCH_RUNS" 2> >(quiet) | grep -v sorted_all | sed "s/^/file\t/" >>"$results"
    echo "== start-up on the server ($BENCH_RUNS rounds)" >&2
    "$BIN/bench_server_startup" "$server_dir" "$file_dir" "$BENCH_RUNS" "$pg/startup-r$BENCH_ROWS.sql" 2> >(quiet) |
        sed "s/^/server\t/" >>"$results"
    for ((p = 1; p <= BENCH_PROCESSES; p++)); do
        echo "== operations on the server, process $p of $BENCH_PROCESSES" >&2
        "$BIN/bench_server_operations" "$server_dir" "$BENCH_REPS" 2> >(quiet) | sed "s/^/server\t/" >>"$results"
    done
fi
if [ -z "${BENCH_REPORT_ONLY:-}" ] && [ -z "${BENCH_FIGURES:-}" ]; then
    echo "== two clients storing $BENCH_CLIENT_LINES lines each ($BENCH_CLIENT_ROUNDS rounds)" >&2
    "$BIN/bench_server_clients" "$server_dir" "$BENCH_CLIENT_LINES" "$BENCH_CLIENT_ROUNDS" | sed "s/^/server\t/" >>"$results"
    lines=$(sql -d "$database" -c "SELECT COUNT(*) FROM Table1")
    [ "$lines" = "$BENCH_ROWS" ] || { echo "the server register holds $lines lines, not $BENCH_ROWS" >&2; exit 1; }
fi

# Medians over the processes; the ratio is the median of the per-process
# (or per-round) ratios, program / reference, so above 1 the program is slower.
awk -F'\t' -v rows="$BENCH_ROWS" '
function median(list,   n, a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] + 0 > t + 0; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
BEGIN {
    what["file" SUBSEP "startup"] = "program on the file / minimal grid on the file"
    what["file" SUBSEP "peak_rss"] = "the same, peak memory"
    what["server" SUBSEP "startup"] = "program on the server / psql, the same statements"
    what["server" SUBSEP "startup_vs_file"] = "program on the server / program on the file"
    what["server" SUBSEP "peak_rss_vs_file"] = "the same, peak memory"
    what["server" SUBSEP "store_table"] = "bare OrderTable, no window / libpq in process"
    what["server" SUBSEP "store_key_round_trip"] = "the key statement alone over libpq"
    what["server" SUBSEP "repaint"] = "the grid of the window repainted, nothing changed"
    goal["server" SUBSEP "store"] = "<= 2"; goal["server" SUBSEP "store_startup_view"] = "<= 2"; goal["server" SUBSEP "store_supplier_view"] = "<= 2"
    goal["server" SUBSEP "find_first"] = "<= 2"; goal["server" SUBSEP "find_none"] = "<= 2"
}
{
    id = $1 SUBSEP $2
    if (!(id in seen)) { seen[id] = 1; order[++count] = id }
    ref[id] = ref[id] " " $3; prog[id] = prog[id] " " $4; ratio[id] = ratio[id] " " $5; unit[id] = $6
}
END {
    printf "%d lines\n%-7s %-25s %12s %12s %6s %6s %6s  %s\n", rows, "engine", "figure", "reference", "program", "ratio", "goal", "paint", "compares"
    for (k = 1; k <= count; k++) {
        id = order[k]; split(id, part, SUBSEP)
        u = unit[id]
        r = ref[id] ~ /-/ ? "-" : sprintf("%.2f %s", median(ref[id]), u)
        q = prog[id] ~ /-/ ? "-" : sprintf("%.2f %s", median(prog[id]), u)
        x = ratio[id] ~ /-/ ? "-" : sprintf("%.2f", median(ratio[id]))
        w = (id in what) ? what[id] : part[2] ~ /_psql$/ ? "program in process / psql, whole process" : \
            part[2] ~ /^two_clients/ ? "OrderTable clients / bare libpq clients" : \
            part[2] ~ /^(filter|sort|store|find)/ ? "program in process / libpq in process" : ""
        # "paint": program / (reference + the grid'"'"'s repaint), for the figures
        # that end with a paint while their libpq reference paints nothing.
        paint = part[1] SUBSEP "repaint"; p = "-"
        if (part[2] ~ /^(filter|sort|find)_/ && part[2] !~ /_psql$/ && ref[id] !~ /-/ && (paint in prog))
            p = sprintf("%.2f", median(prog[id]) / (median(ref[id]) + median(prog[paint])))
        printf "%-7s %-25s %12s %12s %6s %6s %6s  %s\n", part[1], part[2], r, q, x, ((id in goal) ? goal[id] : "-"), p, w
    }
}' "$results"
