// web users: the dashboard's users file (--users), kept with add, remove,
// passwd, token and list. A password is read from standard input, or asked
// for on the terminal without echo: never from the command line, which every
// local user sees.
#include <cstdio>
#include <iostream>

#include <termios.h>
#include <unistd.h>

#include "commands.h"
#include "credentials.h"
#include "status.h"
#include "users_file.h"

namespace vdcli {

namespace {

using vdweb::User;

// Where the packaged service (vandrel-web.service) keeps its state.
constexpr char kServiceUsersFile[] = "/var/lib/vandrel-web/users";
constexpr size_t kLeastPassword = 8;

std::string FileOf(const Args &args) { return args.Value("--users", kServiceUsersFile); }

// A line of standard input; on a terminal, asked for with prompt and without echo.
std::string AskLine(const std::string &prompt) {
    termios before {};
    const bool terminal = tcgetattr(STDIN_FILENO, &before) == 0;
    termios quiet = before;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    if (terminal) {
        std::fprintf(stderr, "%s", prompt.c_str());
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
        std::fprintf(stderr, "\n");
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// The new password: typed twice on a terminal, else standard input's first line.
bool NewPassword(const Printer &out, std::string &hash, int &status) {
    const bool terminal = isatty(STDIN_FILENO);
    const std::string password = AskLine("new password: ");
    if (terminal && AskLine("the same again: ") != password)
        return (status = out.Fail("the two passwords differ", 0, kExitUsage)), false;
    if (password.size() < kLeastPassword)
        return (status = out.Fail("a password has at least 8 characters", 0, kExitUsage)), false;
    if (!vdweb::HashPassword(password, hash))
        return (status = out.Fail("not enough memory to hash", 0, kExitFailed)), false;
    return true;
}

// Loads the file, lets change alter the users, and saves it; change returns
// the exit status, and the file is saved only on kExitOk.
int Change(const Args &args, const Printer &out, const std::function<int(std::vector<User> &, User *)> &change) {
    const std::string name = args.Positionals().empty() ? "" : args.Positionals()[0];
    std::vector<User> users;
    std::string error;
    if (!vdweb::StartCredentials()) return out.Fail("libsodium cannot start", 0, kExitFailed);
    if (!vdweb::LoadUsers(FileOf(args), users, error)) return out.Fail(error, 0, kExitFailed);
    User *found = nullptr;
    for (User &u : users)
        if (u.name == name) found = &u;
    const int status = change(users, found);
    if (status != kExitOk) return status;
    if (!vdweb::SaveUsers(FileOf(args), users, error)) return out.Fail(error, 0, kExitFailed);
    return kExitOk;
}

int Missing(const Printer &out, const Args &args) {
    return out.Fail("no user " + args.Positionals()[0] + " in " + FileOf(args), 0, kExitUsage);
}

int RunAdd(const Args &args, const Printer &out) {
    User user;
    user.name = args.Positionals()[0];
    if (!vdweb::IsUserName(user.name))
        return out.Fail("a user's name has 1 to 64 letters, digits, '.', '_' or '-'", 0, kExitUsage);
    if (!vdweb::ParseRole(args.Value("--role"), user.role))
        return out.Fail("--role is viewer, operator or admin", 0, kExitUsage);
    return Change(args, out, [&](std::vector<User> &users, User *found) {
        if (found) return out.Fail("there is a user " + user.name + " already", 0, kExitUsage);
        int status = kExitOk;
        if (!NewPassword(out, user.hash, status)) return status;
        users.push_back(user);
        return kExitOk;
    });
}

int RunRemove(const Args &args, const Printer &out) {
    return Change(args, out, [&](std::vector<User> &users, User *found) {
        if (!found) return Missing(out, args);
        users.erase(users.begin() + (found - users.data()));
        return kExitOk;
    });
}

int RunPasswd(const Args &args, const Printer &out) {
    return Change(args, out, [&](std::vector<User> &, User *found) {
        int status = kExitOk;
        if (!found) return Missing(out, args);
        return NewPassword(out, found->hash, status) ? kExitOk : status;
    });
}

int RunToken(const Args &args, const Printer &out) {
    const std::string token = vdweb::NewSecret();
    const int status = Change(args, out, [&](std::vector<User> &, User *found) {
        if (!found) return Missing(out, args);
        found->token = vdweb::Digest(token);
        return kExitOk;
    });
    if (status != kExitOk) return status;
    if (out.Json()) out.Document({{"user", args.Positionals()[0]}, {"token", token}});
    else out.Line(token);
    return kExitOk;
}

int RunList(const Args &args, const Printer &out) {
    std::vector<User> users;
    std::string error;
    if (!vdweb::LoadUsers(FileOf(args), users, error)) return out.Fail(error, 0, kExitFailed);
    JsonValue list = JsonValue::array();
    std::vector<Row> rows;
    for (const User &u : users) {
        list.push_back({{"name", u.name}, {"role", vdweb::RoleName(u.role)}, {"token", !u.token.empty()}});
        rows.push_back({u.name, vdweb::RoleName(u.role), u.token.empty() ? "no" : "yes"});
    }
    if (out.Json()) out.Document({{"users", list}});
    else out.Table({"NAME", "ROLE", "TOKEN"}, rows);
    return kExitOk;
}

CommandDef Def(const std::string &verb, const std::string &synopsis, const std::string &summary, size_t names) {
    CommandDef def;
    def.name = "web users " + verb;
    def.synopsis = synopsis;
    def.summary = summary;
    def.options = {{"--users", "FILE", std::string("the users file (default ") + kServiceUsersFile + ")"}};
    def.minPositionals = def.maxPositionals = names;
    def.details = "The file is replaced whole (a new file renamed over it), readable by its\n"
                  "owner alone; written by root, it takes the owner of its folder, so that the\n"
                  "service's own user reads it. A running dashboard takes changes at once.\n";
    return def;
}

}  // namespace

std::vector<Command> WebUserCommands() {
    CommandDef add = Def("add", "NAME", "add a user of the dashboard, with a role and a password", 1);
    add.options.push_back({"--role", "ROLE", "viewer (reads), operator (changes devices) or admin (firmware too)"});
    add.details = "The password is read from standard input (its first line), or asked for\n"
                  "twice without echo on a terminal; at least 8 characters.\n" + add.details;
    CommandDef passwd = Def("passwd", "NAME", "give a user of the dashboard a new password; its logins end", 1);
    passwd.details = add.details;
    CommandDef token = Def("token", "NAME", "make a user's API token, printed once (the previous one ends)", 1);
    return {{add, RunAdd},
            {Def("remove", "NAME", "remove a user of the dashboard; its logins end", 1), RunRemove},
            {passwd, RunPasswd},
            {token, RunToken},
            {Def("list", "", "list the dashboard's users, their roles and whether they have a token", 0), RunList}};
}

}  // namespace vdcli
