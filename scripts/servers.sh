#!/usr/bin/env bash
# Throwaway database servers and a private ODBC configuration for the tests.
#
# Sourced by scripts/test (after lib.sh), which calls services_start and, from its EXIT trap,
# services_stop. It can also be run by hand to keep the servers up while running a single
# test binary:
#
#   scripts/servers.sh start     # (re)creates build/test-env, starts both servers
#   source build/test-env/env.sh
#   build/tests/odbc_session_tests --gtest_filter=...
#   scripts/servers.sh stop
#
# Everything lives in build/test-env, wiped and created fresh by every start:
#   odbcinst.ini, odbc.ini  drivers and data sources (ODBCSYSINI / ODBCINI point here)
#   env.sh                  the variables below, for `source`
#   dbprobe.sqlite          the SQLite data source's file
#   pg/                     PostgreSQL cluster, its socket and log
#   maria/                  MariaDB data directory, my.cnf, its socket, pid file and log
# Both servers listen on 127.0.0.1 only.
#
# Exported for the tests:
#   ODBCSYSINI, ODBCINI     unixODBC reads only the files in build/test-env
#   DBPROBE_TEST_ENV        the build/test-env directory
#   DBPROBE_DSNS            the data sources that answered a query after start-up, out of
#                           "dbprobe-sqlite dbprobe-pg dbprobe-maria"; dbprobe-pg-default and
#                           dbprobe-maria-default (same server, default character set
#                           settings) are up exactly when dbprobe-pg / dbprobe-maria are
#   DBPROBE_PG_PORT, DBPROBE_MARIA_PORT
#
# Tunables (environment): DBPROBE_PG_PORT (default 55432), DBPROBE_MARIA_PORT (default
# 53306), DBPROBE_SERVER_TIMEOUT (seconds to wait for each server, default 30). A busy port
# moves to the next free one.
#
# shellcheck shell=bash disable=SC2034

if [ -z "${DBPROBE_ROOT:-}" ]; then
    # shellcheck source=scripts/lib.sh
    source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
fi

DBPROBE_TEST_ENV="$DBPROBE_ROOT/build/test-env"
DBPROBE_SERVER_TIMEOUT="${DBPROBE_SERVER_TIMEOUT:-30}"

# Names the C++ tests and the README use.
DBPROBE_DSN_SQLITE=dbprobe-sqlite
DBPROBE_DSN_PG=dbprobe-pg
DBPROBE_DSN_PG_DEFAULT=dbprobe-pg-default
DBPROBE_DSN_MARIA=dbprobe-maria
DBPROBE_DSN_MARIA_DEFAULT=dbprobe-maria-default

# Database, role/user, and the driver names the system odbcinst.ini uses.
_SVC_DB=dbprobe
_SVC_DB_USER=dbprobe
_SVC_DRV_SQLITE="SQLite3"
_SVC_DRV_PG="PostgreSQL ANSI"
_SVC_DRV_MARIA="MariaDB Unicode"

_svc_warn() {
    printf 'warning: %s\n' "$*" >&2
}

_svc_now() {
    printf '%s' "${EPOCHREALTIME/,/.}"
}

# _svc_since T0: seconds since T0, one decimal.
_svc_since() {
    awk -v a="$1" -v b="$(_svc_now)" 'BEGIN { printf "%.1f", b - a }'
}

# A process that exists and is not a zombie.
_svc_pid_alive() {
    local pid="$1" state
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
    state="$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null)" || return 1
    [ "$state" != Z ]
}

# _svc_port_busy PORT: something accepts connections on 127.0.0.1:PORT.
_svc_port_busy() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# _svc_free_port START: START or the next port that nothing listens on (20 tries).
_svc_free_port() {
    local port="$1" i
    for ((i = 0; i < 20; i++)); do
        if ! _svc_port_busy "$port"; then
            printf '%s' "$port"
            return 0
        fi
        port=$((port + 1))
    done
    return 1
}

# The unprivileged account a server runs as. As root: the package's account (postgres,
# mysql), else nobody. Not root: the caller.
_svc_account() {
    if [ "$(id -u)" -ne 0 ]; then
        id -un
    elif id -u "$1" >/dev/null 2>&1; then
        printf '%s' "$1"
    else
        printf 'nobody'
    fi
}

# _svc_as ACCOUNT CMD...: runs CMD as ACCOUNT (directly when that is the caller).
_svc_as() {
    local account="$1"
    shift
    if [ "$account" = "$(id -un)" ]; then
        "$@"
    else
        runuser -u "$account" -- "$@"
    fi
}

_svc_password() {
    od -An -N12 -tx1 /dev/urandom | tr -d ' \n'
}

# _svc_driver_lib PACKAGE FILE NAME: absolute path of an ODBC driver library: from the
# package's file list, else the system odbcinst.ini entry NAME, else the multiarch odbc dir.
_svc_driver_lib() {
    local pkg="$1" file="$2" name="$3" path
    path="$(dpkg -L "$pkg" 2>/dev/null | grep -m1 "/$file\$" || true)"
    if [ -z "$path" ]; then
        path="$(env -u ODBCSYSINI -u ODBCINI odbcinst -q -d -n "$name" 2>/dev/null |
            sed -n 's/^Driver[[:space:]]*=[[:space:]]*//p' | head -n1)"
        case "$path" in
            /*) ;;
            ?*) path="$(compgen -G "/usr/lib/*/odbc/$path" | head -n1 || true)" ;;
        esac
    fi
    [ -n "$path" ] || path="$(compgen -G "/usr/lib/*/odbc/$file" | head -n1 || true)"
    [ -n "$path" ] && [ -f "$path" ] || return 1
    printf '%s' "$path"
}

# Newest PostgreSQL server bin directory, e.g. /usr/lib/postgresql/15/bin.
_svc_pg_bindir() {
    local dir
    dir="$(compgen -G '/usr/lib/postgresql/*/bin/initdb' | sort -V | tail -n1 || true)"
    [ -n "$dir" ] || return 1
    dirname "$dir"
}

# _svc_first_cmd NAME...: the first NAME found in PATH or /usr/sbin.
_svc_first_cmd() {
    local name
    for name in "$@"; do
        if command -v "$name" >/dev/null 2>&1; then
            command -v "$name"
            return 0
        fi
        if [ -x "/usr/sbin/$name" ]; then
            printf '/usr/sbin/%s' "$name"
            return 0
        fi
    done
    return 1
}

# _svc_isql DSN SQL: runs SQL through DSN with unixODBC isql: header line, then values.
_svc_isql() {
    printf '%s\n' "$2" | isql -v -b -c -d'|' "$1" 2>&1
}

# ---------------------------------------------------------------------------
# Where the servers' files go. Normally build/test-env/{pg,maria}. When the server accounts
# cannot reach build/test-env (a parent directory closed to them), or its path is too long
# for a unix socket, they go to a fresh directory under /tmp and build/test-env/{pg,maria}
# are symlinks to it; build/test-env/.server-root names it so that stop can remove it.
# ---------------------------------------------------------------------------
_svc_server_root() {
    local env="$DBPROBE_TEST_ENV" account ok=1
    if [ "${#env}" -gt 60 ]; then
        ok=0
    elif [ "$(id -u)" -eq 0 ]; then
        for account in "$(_svc_account postgres)" "$(_svc_account mysql)"; do
            _svc_as "$account" test -x "$env" || ok=0
        done
    fi
    if [ "$ok" -eq 1 ]; then
        printf '%s' "$env"
        return 0
    fi
    local root
    root="$(mktemp -d /tmp/dbprobe-servers.XXXXXX)" || return 1
    chmod 755 "$root"
    printf '%s\n' "$root" >"$env/.server-root"
    ln -s "$root/pg" "$env/pg"
    ln -s "$root/maria" "$env/maria"
    printf '%s' "$root"
}

# ---------------------------------------------------------------------------
# PostgreSQL
# ---------------------------------------------------------------------------
_SVC_PG_STATUS="not started"

# pg_start ROOT PORT PASSWORD: initdb + pg_ctl start in ROOT/pg, role and database dbprobe.
pg_start() {
    local root="$1" port="$2" password="$3"
    local dir="$root/pg" bin account
    bin="$(_svc_pg_bindir)" || {
        _SVC_PG_STATUS="no PostgreSQL server found under /usr/lib/postgresql"
        return 1
    }
    account="$(_svc_account postgres)"
    mkdir -p "$dir/run"
    chown -R "$account" "$dir"

    if ! _svc_as "$account" "$bin/initdb" -D "$dir/data" -U postgres -E UTF8 --no-locale \
        --auth-local=trust --auth-host=scram-sha-256 --no-sync >"$dir/initdb.log" 2>&1; then
        _SVC_PG_STATUS="initdb failed, see $dir/initdb.log"
        tail -n 5 "$dir/initdb.log" >&2
        return 1
    fi
    cat >>"$dir/data/postgresql.conf" <<EOF

# dbprobe test server: loopback only, private socket, no durability needed.
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir/run'
fsync = off
synchronous_commit = off
full_page_writes = off
EOF
    if ! _svc_as "$account" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" \
        -w -t "$DBPROBE_SERVER_TIMEOUT" start >/dev/null 2>&1; then
        _SVC_PG_STATUS="did not start within ${DBPROBE_SERVER_TIMEOUT}s, see $dir/server.log"
        tail -n 5 "$dir/server.log" >&2 || true
        return 1
    fi
    local deadline=$((SECONDS + DBPROBE_SERVER_TIMEOUT))
    until "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -t 2; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            _SVC_PG_STATUS="not accepting connections on 127.0.0.1:$port, see $dir/server.log"
            return 1
        fi
        sleep 0.2
    done

    if ! "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir/run" -p "$port" -U postgres -d postgres \
        -c "CREATE ROLE $_SVC_DB_USER LOGIN PASSWORD '$password'" \
        -c "CREATE DATABASE $_SVC_DB OWNER $_SVC_DB_USER ENCODING 'UTF8' TEMPLATE template0" \
        >"$dir/setup.log" 2>&1; then
        _SVC_PG_STATUS="creating role and database failed, see $dir/setup.log"
        cat "$dir/setup.log" >&2
        return 1
    fi
    _SVC_PG_STATUS="up on 127.0.0.1:$port (PostgreSQL $(basename "$(dirname "$bin")"))"
}

# pg_stop ENVDIR: stops the cluster in ENVDIR/pg if one runs there.
pg_stop() {
    local dir bin account pid
    # The real path: the server account may not be able to pass through ENVDIR's parents.
    dir="$(readlink -f "$1/pg")" || return 0
    [ -f "$dir/data/postmaster.pid" ] || return 0
    pid="$(head -n1 "$dir/data/postmaster.pid" 2>/dev/null || true)"
    bin="$(_svc_pg_bindir || true)"
    account="$(stat -c %U "$dir/data")"
    if [ -n "$bin" ]; then
        _svc_as "$account" "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 20 stop \
            >/dev/null 2>&1 || true
    fi
    if _svc_pid_alive "$pid"; then
        _svc_warn "PostgreSQL (pid $pid) did not stop; killing it"
        kill -QUIT "$pid" 2>/dev/null || true
        sleep 1
        kill -KILL "$pid" 2>/dev/null || true
    fi
}

# ---------------------------------------------------------------------------
# MariaDB
# ---------------------------------------------------------------------------
_SVC_MARIA_STATUS="not started"
_SVC_MARIA_PID=""

# maria_start ROOT PORT PASSWORD: install-db + mariadbd in ROOT/maria, database and user
# dbprobe (@127.0.0.1 and @localhost).
maria_start() {
    local root="$1" port="$2" password="$3"
    local dir="$root/maria" account server installdb client admin
    if ! server="$(_svc_first_cmd mariadbd mysqld)" ||
        ! installdb="$(_svc_first_cmd mariadb-install-db mysql_install_db)" ||
        ! client="$(_svc_first_cmd mariadb mysql)" ||
        ! admin="$(_svc_first_cmd mariadb-admin mysqladmin)"; then
        _SVC_MARIA_STATUS="MariaDB server or client programs not found"
        return 1
    fi
    account="$(_svc_account mysql)"
    mkdir -p "$dir/run"
    local cnf="$dir/my.cnf" user_line=""
    [ "$account" = "$(id -un)" ] || user_line="user = $account"
    cat >"$cnf" <<EOF
# dbprobe test server: loopback only, private socket; no system option files are read.
[mariadbd]
$user_line
datadir = $dir/data
socket = $dir/run/mariadb.sock
pid-file = $dir/run/mariadb.pid
log-error = $dir/server.log
port = $port
bind-address = 127.0.0.1
skip-name-resolve
character-set-server = utf8mb4
collation-server = utf8mb4_general_ci
innodb-buffer-pool-size = 64M
innodb-log-file-size = 8M
innodb-use-native-aio = 0

[client]
socket = $dir/run/mariadb.sock
user = root
EOF
    chmod 644 "$cnf"
    chown -R "$account" "$dir"

    if ! "$installdb" --defaults-file="$cnf" --auth-root-authentication-method=normal \
        --skip-test-db >"$dir/install-db.log" 2>&1; then
        _SVC_MARIA_STATUS="mariadb-install-db failed, see $dir/install-db.log"
        tail -n 5 "$dir/install-db.log" >&2
        return 1
    fi

    "$server" --defaults-file="$cnf" </dev/null >"$dir/stdout.log" 2>&1 &
    _SVC_MARIA_PID=$!
    printf '%s\n' "$_SVC_MARIA_PID" >"$dir/launched.pid"

    local deadline=$((SECONDS + DBPROBE_SERVER_TIMEOUT))
    until "$admin" --defaults-file="$cnf" --connect-timeout=2 ping >/dev/null 2>&1; do
        if ! _svc_pid_alive "$_SVC_MARIA_PID"; then
            _SVC_MARIA_STATUS="mariadbd exited during start-up, see $dir/server.log"
            tail -n 5 "$dir/stdout.log" "$dir/server.log" >&2 2>/dev/null || true
            return 1
        fi
        if [ "$SECONDS" -ge "$deadline" ]; then
            _SVC_MARIA_STATUS="did not start within ${DBPROBE_SERVER_TIMEOUT}s, see $dir/server.log"
            return 1
        fi
        sleep 0.2
    done

    # Root keeps only its socket account; dbprobe gets a password on both local host names.
    local u sql
    sql="CREATE DATABASE $_SVC_DB CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;"
    for u in "'$_SVC_DB_USER'@'127.0.0.1'" "'$_SVC_DB_USER'@'localhost'"; do
        sql+="CREATE USER $u IDENTIFIED BY '$password';"
        sql+="GRANT ALL PRIVILEGES ON $_SVC_DB.* TO $u;"
    done
    if ! {
        "$client" --defaults-file="$cnf" -N -B -e \
            "SELECT CONCAT('DROP USER ', QUOTE(User), '@', QUOTE(Host), ';')
             FROM mysql.user WHERE User = 'root' AND Host <> 'localhost'"
        printf '%s\n' "$sql"
    } | "$client" --defaults-file="$cnf" >"$dir/setup.log" 2>&1; then
        _SVC_MARIA_STATUS="creating database and user failed, see $dir/setup.log"
        cat "$dir/setup.log" >&2
        return 1
    fi
    _SVC_MARIA_STATUS="up on 127.0.0.1:$port ($("$server" --version | awk '{ print $3 }'))"
}

# maria_stop ENVDIR: stops the server in ENVDIR/maria if one runs there.
maria_stop() {
    local dir="$1/maria" pid="" admin i
    [ -f "$dir/my.cnf" ] || return 0
    pid="$(cat "$dir/run/mariadb.pid" 2>/dev/null || cat "$dir/launched.pid" 2>/dev/null || true)"
    _svc_pid_alive "$pid" || pid="$(cat "$dir/launched.pid" 2>/dev/null || true)"
    _svc_pid_alive "$pid" || return 0
    admin="$(_svc_first_cmd mariadb-admin mysqladmin || true)"
    if [ -n "$admin" ]; then
        "$admin" --defaults-file="$dir/my.cnf" --connect-timeout=2 shutdown >/dev/null 2>&1 ||
            kill -TERM "$pid" 2>/dev/null || true
    else
        kill -TERM "$pid" 2>/dev/null || true
    fi
    for ((i = 0; i < 100; i++)); do
        _svc_pid_alive "$pid" || break
        sleep 0.2
    done
    if _svc_pid_alive "$pid"; then
        _svc_warn "MariaDB (pid $pid) did not stop; killing it"
        kill -KILL "$pid" 2>/dev/null || true
    fi
    # Reap it when this shell started it.
    wait "$pid" 2>/dev/null || true
}

# ---------------------------------------------------------------------------
# ODBC configuration
# ---------------------------------------------------------------------------

# _svc_write_odbc_ini ENVDIR PG_PORT MARIA_PORT PASSWORD
_svc_write_odbc_ini() {
    local env="$1" pg_port="$2" maria_port="$3" password="$4"
    local sqlite_lib pg_lib maria_lib
    sqlite_lib="$(_svc_driver_lib libsqliteodbc libsqlite3odbc.so "$_SVC_DRV_SQLITE")" ||
        _svc_warn "SQLite3 ODBC driver library not found (package libsqliteodbc)"
    pg_lib="$(_svc_driver_lib odbc-postgresql psqlodbca.so "$_SVC_DRV_PG")" ||
        _svc_warn "PostgreSQL ODBC driver library not found (package odbc-postgresql)"
    maria_lib="$(_svc_driver_lib odbc-mariadb libmaodbc.so "$_SVC_DRV_MARIA")" ||
        _svc_warn "MariaDB ODBC driver library not found (package odbc-mariadb)"

    cat >"$env/odbcinst.ini" <<EOF
; Generated by scripts/servers.sh; rewritten on every start.
[$_SVC_DRV_SQLITE]
Description = SQLite3 ODBC Driver
Driver = $sqlite_lib

[$_SVC_DRV_PG]
Description = PostgreSQL ODBC driver (ANSI version)
Driver = $pg_lib

[$_SVC_DRV_MARIA]
Description = MariaDB Connector/ODBC (Unicode)
Driver = $maria_lib
Threading = 0
EOF

    local pg_common maria_common
    pg_common="Driver = $_SVC_DRV_PG
Servername = 127.0.0.1
Port = $pg_port
Database = $_SVC_DB
Username = $_SVC_DB_USER
Password = $password"
    maria_common="Driver = $_SVC_DRV_MARIA
SERVER = 127.0.0.1
PORT = $maria_port
DATABASE = $_SVC_DB
USER = $_SVC_DB_USER
PASSWORD = $password"

    cat >"$env/odbc.ini" <<EOF
; Generated by scripts/servers.sh; rewritten on every start.
; Record data is windows-1250: the non-default DSNs make the server convert it.

[$DBPROBE_DSN_SQLITE]
Description = dbprobe tests: SQLite file, bytes stored as they are
Driver = $_SVC_DRV_SQLITE
Database = $env/dbprobe.sqlite

[$DBPROBE_DSN_PG]
Description = dbprobe tests: PostgreSQL, client encoding WIN1250
$pg_common
ConnSettings = SET client_encoding TO 'WIN1250'

[$DBPROBE_DSN_PG_DEFAULT]
Description = dbprobe tests: PostgreSQL, default client encoding
$pg_common

[$DBPROBE_DSN_MARIA]
Description = dbprobe tests: MariaDB, connection character set cp1250
$maria_common
CHARSET = cp1250

[$DBPROBE_DSN_MARIA_DEFAULT]
Description = dbprobe tests: MariaDB, default connection character set
$maria_common
EOF
    chmod 600 "$env/odbc.ini"
}

# _svc_check_dsn DSN SQL EXPECTED: DSN answers SQL with EXPECTED (empty: any answer).
_svc_check_dsn() {
    local out got
    out="$(_svc_isql "$1" "$2")"
    got="$(sed -n 2p <<<"$out")"
    if [ -z "$got" ] || [[ "$out" == *"[ISQL]ERROR"* ]]; then
        _svc_warn "$1: '$2' failed: $(tr '\n' ' ' <<<"$out")"
        return 1
    fi
    if [ -n "$3" ] && [ "$got" != "$3" ]; then
        _svc_warn "$1: '$2' returned '$got', expected '$3'"
        return 1
    fi
    printf '  %-22s %s -> %s\n' "$1" "$2" "$got"
}

# _svc_write_env_sh DSNS...: writes ENVDIR/env.sh for `source`.
_svc_write_env_sh() {
    local env="$DBPROBE_TEST_ENV"
    {
        echo "# Generated by scripts/servers.sh. Source it to run a test binary by hand."
        echo "# DBPROBE_DSNS lists the data sources that were up when this was written;"
        echo "# 'scripts/servers.sh start' brings up both servers and rewrites it."
        printf 'export ODBCSYSINI=%q\n' "$env"
        printf 'export ODBCINI=%q\n' "$env/odbc.ini"
        printf 'export DBPROBE_TEST_ENV=%q\n' "$env"
        printf "export DBPROBE_DSNS='%s'\n" "$*"
        printf 'export DBPROBE_PG_PORT=%q\n' "${DBPROBE_PG_PORT:-}"
        printf 'export DBPROBE_MARIA_PORT=%q\n' "${DBPROBE_MARIA_PORT:-}"
        echo "unset PGCLIENTENCODING"
    } >"$env/env.sh"
}

# ---------------------------------------------------------------------------
# Entry points
# ---------------------------------------------------------------------------

# services_start: fresh build/test-env, both servers, ODBC files, exported variables.
# Returns non-zero when a data source is not up (after warning); the rest is still usable.
services_start() {
    local t0 t env="$DBPROBE_TEST_ENV"
    t0="$(_svc_now)"

    services_stop quiet
    if [ -e "$env" ] || [ -L "$env" ]; then
        rm -rf "$env" || die "cannot remove $env (left by another user?)"
    fi
    mkdir -p "$env"
    chmod 755 "$env"

    local root password pg_port maria_port
    root="$(_svc_server_root)" || die "cannot create a directory for the servers"
    password="$(_svc_password)"
    pg_port="$(_svc_free_port "${DBPROBE_PG_PORT:-55432}")" || pg_port=""
    maria_port="$(_svc_free_port "${DBPROBE_MARIA_PORT:-53306}")" || maria_port=""

    local pg_up=0 maria_up=0
    t="$(_svc_now)"
    if [ -z "$pg_port" ]; then
        _SVC_PG_STATUS="no free port from ${DBPROBE_PG_PORT:-55432} on"
    elif pg_start "$root" "$pg_port" "$password"; then
        pg_up=1
    fi
    printf 'PostgreSQL: %s [%ss]\n' "$_SVC_PG_STATUS" "$(_svc_since "$t")"

    t="$(_svc_now)"
    if [ -z "$maria_port" ]; then
        _SVC_MARIA_STATUS="no free port from ${DBPROBE_MARIA_PORT:-53306} on"
    elif maria_start "$root" "$maria_port" "$password"; then
        maria_up=1
    fi
    printf 'MariaDB:    %s [%ss]\n' "$_SVC_MARIA_STATUS" "$(_svc_since "$t")"

    export DBPROBE_TEST_ENV="$env"
    export ODBCSYSINI="$env"
    export ODBCINI="$env/odbc.ini"
    export DBPROBE_PG_PORT="$pg_port"
    export DBPROBE_MARIA_PORT="$maria_port"
    unset PGCLIENTENCODING
    _svc_write_odbc_ini "$env" "$pg_port" "$maria_port" "$password"

    # A data source counts as up when a query through it (unixODBC isql) answers, and the
    # character set settings took effect.
    t="$(_svc_now)"
    local dsns=() ok=0
    echo "data sources:"
    _svc_check_dsn "$DBPROBE_DSN_SQLITE" "SELECT 1250" 1250 && dsns+=("$DBPROBE_DSN_SQLITE")
    if [ "$pg_up" -eq 1 ] &&
        _svc_check_dsn "$DBPROBE_DSN_PG" "SELECT current_setting('client_encoding')" WIN1250; then
        dsns+=("$DBPROBE_DSN_PG")
        _svc_check_dsn "$DBPROBE_DSN_PG_DEFAULT" "SELECT current_setting('client_encoding')" "" ||
            _svc_warn "$DBPROBE_DSN_PG_DEFAULT is not usable"
    fi
    if [ "$maria_up" -eq 1 ] &&
        _svc_check_dsn "$DBPROBE_DSN_MARIA" "SELECT @@character_set_client" cp1250; then
        dsns+=("$DBPROBE_DSN_MARIA")
        _svc_check_dsn "$DBPROBE_DSN_MARIA_DEFAULT" "SELECT @@character_set_client" "" ||
            _svc_warn "$DBPROBE_DSN_MARIA_DEFAULT is not usable"
    fi
    export DBPROBE_DSNS="${dsns[*]}"
    _svc_write_env_sh "${dsns[@]}"

    printf 'checked data sources [%ss]\n' "$(_svc_since "$t")"
    printf 'DBPROBE_DSNS="%s"\n' "$DBPROBE_DSNS"
    printf 'environment for running a test by hand: source %s/env.sh\n' "$env"
    printf 'setup took %ss\n' "$(_svc_since "$t0")"

    local want
    for want in "$DBPROBE_DSN_SQLITE" "$DBPROBE_DSN_PG" "$DBPROBE_DSN_MARIA"; do
        if [[ " $DBPROBE_DSNS " != *" $want "* ]]; then
            _svc_warn "$want is NOT available; its tests will skip (fail when CI=true)"
            ok=1
        fi
    done
    return "$ok"
}

# services_stop [quiet]: stops whatever servers run from build/test-env (this run's or an
# earlier, interrupted one's) and rewrites env.sh to list only the SQLite data source.
services_stop() {
    local env="$DBPROBE_TEST_ENV" t root
    [ -d "$env" ] || return 0
    t="$(_svc_now)"
    pg_stop "$env"
    maria_stop "$env"
    if [ -f "$env/.server-root" ]; then
        root="$(cat "$env/.server-root")"
        case "$root" in
            /tmp/dbprobe-servers.*) rm -rf "$root" ;;
        esac
        rm -f "$env/.server-root"
    fi
    if [ -f "$env/env.sh" ]; then
        DBPROBE_PG_PORT="" DBPROBE_MARIA_PORT="" _svc_write_env_sh "$DBPROBE_DSN_SQLITE"
    fi
    [ "${1:-}" = quiet ] || printf 'servers stopped [%ss]\n' "$(_svc_since "$t")"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    case "${1:-}" in
        start)
            services_start || true
            echo "servers keep running; stop them with: scripts/servers.sh stop"
            ;;
        stop) services_stop ;;
        *)
            echo "usage: scripts/servers.sh start|stop"
            exit 2
            ;;
    esac
fi
