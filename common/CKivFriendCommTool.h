#pragma once

// Builds paths below the process's current directory (forward slashes) and
// tests whether files exist. One instance per process.
class CKivFriendCommTool {
public:
    static constexpr int PathCapacity = 260;

    static CKivFriendCommTool* GetInstance();
    static void ReleaseInstance();

    // out (PathCapacity characters) receives the current directory, then
    // relative when given, then "/" when trailingSeparator is set; the text is
    // cut to fit and always terminated.
    void Get_Current_Path(wchar_t* out, const wchar_t* relative, bool trailingSeparator);
    bool File_Exists(const wchar_t* path);

private:
    CKivFriendCommTool() = default;
};
