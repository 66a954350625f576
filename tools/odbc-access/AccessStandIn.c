/*
 * Stand-in for the Access ODBC driver on machines that have none.
 *
 * Registered under the Access driver names, it accepts the Access connection keywords and keeps
 * the data in SQLite files through the SQLite3 ODBC driver. The library is linked against that
 * driver, so the driver manager finds every other entry point in it through this library's
 * dependencies; only SQLDriverConnect, SQLPrepare and SQLExecDirect are ours. The connection
 * string is rewritten (a value may be braced, "}}" standing for "}"):
 *   DBQ=<Windows path>       -> Database=<Linux path>;NoCreat=1
 *   DefaultDir, UID, PWD, Exclusive, SystemDB, ExtendedAnsiSQL  -> accepted and dropped
 * Without the rewrite the SQLite3 driver ignores DBQ and creates a new file named after the
 * whole connection string. "SELECT @@IDENTITY" answers, as Access does, the row id the
 * connection inserted last.
 */
#include <ctype.h>
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

typedef short SQLSMALLINT;
typedef unsigned short SQLUSMALLINT;
typedef short SQLRETURN;
typedef unsigned char SQLCHAR;
typedef void* SQLHDBC;
typedef void* SQLHWND;
typedef void* SQLHSTMT;
typedef int SQLINTEGER;

#define SQL_NTS (-3)
#define SQL_ERROR (-1)

typedef SQLRETURN (*DriverConnectFn)(SQLHDBC, SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                     SQLSMALLINT*, SQLUSMALLINT);

static DriverConnectFn real_driver_connect(void) {
    static DriverConnectFn fn;
    if (!fn) {
        void* h = dlopen(VZ_SQLITE_ODBC_DRIVER, RTLD_NOW | RTLD_LOCAL);
        if (h) fn = (DriverConnectFn)dlsym(h, "SQLDriverConnect");
    }
    return fn;
}

static void* sqlite_driver(void) {
    static void* h;
    if (!h) h = dlopen(VZ_SQLITE_ODBC_DRIVER, RTLD_NOW | RTLD_LOCAL);
    return h;
}

typedef SQLRETURN (*StatementFn)(SQLHSTMT, SQLCHAR*, SQLINTEGER);

/* The statement Access answers with the last inserted id, in the SQLite form. */
static SQLCHAR* identity_rewrite(SQLCHAR* text, SQLINTEGER* len) {
    static SQLCHAR last_id[] = "SELECT last_insert_rowid()";
    const char* s = (const char*)text;
    size_t n = *len == SQL_NTS ? strlen(s) : (size_t)*len;
    while (n > 0 && isspace((unsigned char)*s)) { ++s; --n; }
    while (n > 0 && (isspace((unsigned char)s[n - 1]) || s[n - 1] == ';')) --n;
    if (n != 17 || strncasecmp(s, "SELECT @@IDENTITY", 17) != 0) return text;
    *len = SQL_NTS;
    return last_id;
}

SQLRETURN SQLPrepare(SQLHSTMT stmt, SQLCHAR* text, SQLINTEGER len) {
    StatementFn real = sqlite_driver() ? (StatementFn)dlsym(sqlite_driver(), "SQLPrepare") : NULL;
    if (!real) return SQL_ERROR;
    if (text) text = identity_rewrite(text, &len);
    return real(stmt, text, len);
}

SQLRETURN SQLExecDirect(SQLHSTMT stmt, SQLCHAR* text, SQLINTEGER len) {
    StatementFn real = sqlite_driver() ? (StatementFn)dlsym(sqlite_driver(), "SQLExecDirect") : NULL;
    if (!real) return SQL_ERROR;
    if (text) text = identity_rewrite(text, &len);
    return real(stmt, text, len);
}

/* A braced value with each "}}" made "}". */
static size_t unbrace(const char* v, size_t vl, char* out, size_t cap) {
    size_t n = 0;
    for (size_t i = 0; i < vl && n + 1 < cap; ++i) {
        out[n++] = v[i];
        if (v[i] == '}' && i + 1 < vl && v[i + 1] == '}') ++i;
    }
    out[n] = 0;
    return n;
}

static int key_is(const char* key, size_t len, const char* name) {
    return strlen(name) == len && strncasecmp(key, name, len) == 0;
}

/* Appends to a bounded buffer; returns 0 when it does not fit. */
static int append(char* out, size_t cap, size_t* used, const char* s, size_t n) {
    if (*used + n + 1 > cap) return 0;
    memcpy(out + *used, s, n);
    *used += n;
    out[*used] = 0;
    return 1;
}

/* Turns a Wine path (Z:\dir\file, C:\dir\file) into the Linux path behind it. */
static int wine_to_unix(const char* win, size_t len, const char* default_dir, char* out, size_t cap) {
    char path[PATH_MAX * 2];
    size_t n = 0;
    if (len >= PATH_MAX) return 0;
    int absolute = len >= 2 && isalpha((unsigned char)win[0]) && win[1] == ':';
    if (!absolute && default_dir && *default_dir) {
        n = (size_t)snprintf(path, sizeof path, "%s\\", default_dir);
        if (n >= sizeof path) return 0;
    }
    if (n + len + 1 > sizeof path) return 0;
    memcpy(path + n, win, len);
    path[n + len] = 0;

    if (!(isalpha((unsigned char)path[0]) && path[1] == ':')) {
        /* Already a Unix-style path. */
        for (char* p = path; *p; ++p)
            if (*p == '\\') *p = '/';
        return snprintf(out, cap, "%s", path) < (int)cap;
    }
    char drive = (char)tolower((unsigned char)path[0]);
    const char* rest = path + 2;
    char root[PATH_MAX];
    if (drive == 'z') {
        root[0] = 0;
    } else {
        const char* prefix = getenv("WINEPREFIX");
        char link[PATH_MAX];
        if (prefix && *prefix)
            snprintf(link, sizeof link, "%s/dosdevices/%c:", prefix, drive);
        else
            snprintf(link, sizeof link, "%s/.wine/dosdevices/%c:", getenv("HOME") ? getenv("HOME") : "", drive);
        if (!realpath(link, root)) return 0;
    }
    int w = snprintf(out, cap, "%s%s", root, rest);
    if (w < 0 || (size_t)w >= cap) return 0;
    for (char* p = out; *p; ++p)
        if (*p == '\\') *p = '/';
    return 1;
}

SQLRETURN SQLDriverConnect(SQLHDBC hdbc, SQLHWND hwnd, SQLCHAR* in, SQLSMALLINT in_len, SQLCHAR* out,
                           SQLSMALLINT out_max, SQLSMALLINT* out_len, SQLUSMALLINT completion) {
    DriverConnectFn real = real_driver_connect();
    if (!real) return SQL_ERROR;
    if (!in) return real(hdbc, hwnd, in, in_len, out, out_max, out_len, completion);

    size_t len = in_len == SQL_NTS ? strlen((const char*)in) : (size_t)in_len;
    const char* s = (const char*)in;

    /* First pass: find DBQ and DefaultDir. */
    const char *dbq = NULL, *dir = NULL;
    size_t dbq_len = 0, dir_len = 0;
    char default_dir[PATH_MAX] = "";
    struct Pair { const char *k, *v; size_t kl, vl; } pairs[64];
    int npairs = 0;
    char plain[2][PATH_MAX];
    for (size_t i = 0; i < len && npairs < 64;) {
        while (i < len && (s[i] == ';' || s[i] == ' ')) ++i;
        if (i >= len) break;
        size_t ks = i;
        while (i < len && s[i] != '=' && s[i] != ';') ++i;
        size_t kl = i - ks;
        while (kl > 0 && s[ks + kl - 1] == ' ') --kl;
        const char* v = s + i;
        size_t vl = 0;
        if (i < len && s[i] == '=') {
            ++i;
            if (i < len && s[i] == '{') {
                size_t vs = ++i;
                while (i < len && (s[i] != '}' || (i + 1 < len && s[i + 1] == '}'))) i += s[i] == '}' ? 2 : 1;
                v = s + vs;
                vl = i - vs;
                if (i < len) ++i;
                while (i < len && s[i] != ';') ++i;
            } else {
                size_t vs = i;
                while (i < len && s[i] != ';') ++i;
                v = s + vs;
                vl = i - vs;
            }
        }
        pairs[npairs].k = s + ks;
        pairs[npairs].kl = kl;
        pairs[npairs].v = v;
        pairs[npairs].vl = vl;
        ++npairs;
        if (key_is(s + ks, kl, "DBQ")) { dbq = v; dbq_len = vl; }
        if (key_is(s + ks, kl, "DefaultDir")) { dir = v; dir_len = vl; }
        if (vl > 0 && v > s && v[-1] == '{') {
            /* Braced: keep the plain value for the paths. */
            int which = key_is(s + ks, kl, "DBQ") ? 0 : key_is(s + ks, kl, "DefaultDir") ? 1 : -1;
            if (which >= 0) {
                size_t n = unbrace(v, vl, plain[which], sizeof plain[which]);
                if (which == 0) { dbq = plain[0]; dbq_len = n; } else { dir = plain[1]; dir_len = n; }
            }
        }
    }
    if (dir && dir_len < sizeof default_dir) {
        memcpy(default_dir, dir, dir_len);
        default_dir[dir_len] = 0;
    }

    char rewritten[PATH_MAX * 3];
    size_t used = 0;
    rewritten[0] = 0;
    for (int k = 0; k < npairs; ++k) {
        const struct Pair* p = &pairs[k];
        if (key_is(p->k, p->kl, "DBQ") || key_is(p->k, p->kl, "DefaultDir") || key_is(p->k, p->kl, "UID") ||
            key_is(p->k, p->kl, "PWD") || key_is(p->k, p->kl, "Exclusive") || key_is(p->k, p->kl, "SystemDB") ||
            key_is(p->k, p->kl, "ExtendedAnsiSQL") || key_is(p->k, p->kl, "Database") ||
            key_is(p->k, p->kl, "NoCreat"))
            continue;
        int braced = key_is(p->k, p->kl, "DRIVER");
        if (!append(rewritten, sizeof rewritten, &used, p->k, p->kl) ||
            !append(rewritten, sizeof rewritten, &used, "=", 1) ||
            (braced && !append(rewritten, sizeof rewritten, &used, "{", 1)) ||
            !append(rewritten, sizeof rewritten, &used, p->v, p->vl) ||
            (braced && !append(rewritten, sizeof rewritten, &used, "}", 1)) ||
            !append(rewritten, sizeof rewritten, &used, ";", 1))
            return SQL_ERROR;
    }
    if (dbq) {
        char unix_path[PATH_MAX];
        if (!wine_to_unix(dbq, dbq_len, default_dir, unix_path, sizeof unix_path)) {
            /* A path we cannot map must not open or create anything: give the driver a name it
               refuses, so the caller gets the driver's own error. */
            snprintf(unix_path, sizeof unix_path, "/nonexistent/%.*s", (int)(dbq_len > 200 ? 200 : dbq_len), dbq);
        }
        /* The SQLite3 driver reads no braced values: a path holding ";" goes through a link. */
        char link_path[64];
        if (strchr(unix_path, ';')) {
            unsigned h = 2166136261u;
            for (const char* c = unix_path; *c; ++c) h = (h ^ (unsigned char)*c) * 16777619u;
            snprintf(link_path, sizeof link_path, "/tmp/vzaccess-%u-%08x.db", (unsigned)getuid(), h);
            char target[PATH_MAX];
            ssize_t n = readlink(link_path, target, sizeof target - 1);
            if (n < 0 || (size_t)n != strlen(unix_path) || memcmp(target, unix_path, (size_t)n) != 0) {
                unlink(link_path);
                if (symlink(unix_path, link_path) != 0) return SQL_ERROR;
            }
            strcpy(unix_path, link_path);
        }
        if (!append(rewritten, sizeof rewritten, &used, "Database=", 9) ||
            !append(rewritten, sizeof rewritten, &used, unix_path, strlen(unix_path)))
            return SQL_ERROR;
    }
    if (!append(rewritten, sizeof rewritten, &used, ";NoCreat=1", 10)) return SQL_ERROR;
    return real(hdbc, hwnd, (SQLCHAR*)rewritten, SQL_NTS, out, out_max, out_len, completion);
}
