// A stand-in browser for the tests: writes its command line to the file
// named by TNK_RECORDER_OUT and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"TNK_RECORDER_OUT", path, MAX_PATH)) {
        return 1;
    }
    const wchar_t* line = GetCommandLineW();
    // Written aside and moved in place, so a reader never sees half of it.
    wchar_t partial[MAX_PATH + 8] = {};
    lstrcpyW(partial, path);
    lstrcatW(partial, L".tmp");
    HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    WriteFile(file, line, lstrlenW(line) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(partial, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
