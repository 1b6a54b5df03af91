#pragma once

// File permissions as an ordinary user meets them: root passes every check. While an object of
// this class lives, the process acts as the user "nobody" (keeping root's group, so the group's
// permissions are the ones that apply, and root as the saved user, to come back to). Nothing
// changes for a user who is not root.
#include <pwd.h>
#include <unistd.h>

class AsUserNobody {
public:
    AsUserNobody() {
        const passwd *nobody = getpwnam("nobody");
        if (geteuid() != 0 || !nobody)
            return;
        acting = setresuid(nobody->pw_uid, nobody->pw_uid, 0) == 0;
    }
    ~AsUserNobody() {
        if (acting && setresuid(0, 0, 0) != 0)
            acting = false;
    }
    AsUserNobody(const AsUserNobody &) = delete;
    AsUserNobody &operator=(const AsUserNobody &) = delete;
    // Whether the permissions now hold (false: root, and no way to act as another user).
    bool holds() const { return acting || geteuid() != 0; }

private:
    bool acting = false;
};
