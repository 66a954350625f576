#pragma once
// The private PostgreSQL server that CTest's postgres_start runs for the tests that name the
// "postgres" fixture. It publishes host, port and credentials in <build>/postgres/server; a test
// that needs the server and finds none fails with the server's log.
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

struct PostgresServer {
    std::string Host, Port, Database, User, Password, AdminUser, AdminPassword;

    // Raises std::runtime_error (with the server's log when there is one) when no server runs.
    static const PostgresServer& Get() {
        static const PostgresServer server = Read();
        return server;
    }

    // A psqlODBC connection string without user and password, for the connection to add them. The
    // driver would otherwise pick the client encoding from the Unix locale: the session speaks the
    // users' ANSI code page (936) instead. Protocol 7.4-1: an error rolls back the transaction, as
    // the server itself does; the driver's default wraps each statement in a savepoint of its own
    // and releases it afterwards, which also drops every savepoint the statement made.
    std::string ServerText() const {
        return "DRIVER={PostgreSQL ANSI};SERVER=" + Host + ";PORT=" + Port + ";DATABASE=" + Database +
               ";ConnSettings=SET client_encoding TO 'GBK';Protocol=7.4-1";
    }

private:
    static std::string Dir() {
        const char* bin = std::getenv("VZ_BINARY_DIR");
        // A Unix path under the build tree; Wine reaches it through drive Z:.
        return std::string("Z:") + (bin ? bin : "") + "/postgres";
    }
    static PostgresServer Read() {
        std::ifstream in(Dir() + "/server");
        std::map<std::string, std::string> values;
        std::string line;
        while (std::getline(in, line)) {
            size_t eq = line.find('=');
            if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        if (values["port"].empty()) {
            std::string message =
                "The PostgreSQL test server is not running (CTest's postgres_start makes it; "
                "run the tests through ctest).";
            std::ifstream root(Dir() + "/root");
            std::string folder;
            if (std::getline(root, folder)) {
                std::ifstream log("Z:" + folder + "/server.log");
                std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
                if (!text.empty()) message += " Server log:\n" + text;
            }
            throw std::runtime_error(message);
        }
        return PostgresServer{values["host"],          values["port"],     values["database"],
                              values["user"],          values["password"], values["admin_user"],
                              values["admin_password"]};
    }
};
