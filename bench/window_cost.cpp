// What the window spends on one message, without the network: the real main
// window, created in this process and shown, is fed the two callbacks that
// one received message makes (the payload line for "subscribe", then the
// parsed message), as a poll does it (a batch that the screen shows at its
// end) and a message at a time; then the share of the drain (the callbacks)
// and of the screen (the end of a batch), and the calls they are made of.
//
//   window_cost [N]
//
// Panes are filled to their 100-line bound first, so that every append also
// drops a line, as in a long run. Messages are dispatched after every batch of
// 30 calls, as they are between two polls, so that painting is counted too.
#include "app/TavrinDlg.h"
#include "mqtt/LinkFacts.h"
#include "framework/WinApp.h"
#include "status/StatusInterpretation.h"

#include <json/json.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace
{
const int BATCH = 30;

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

const char* const TITLES[] = {
    "idle", "guide:start:김민수", "call:3:add:박지훈", "return", "accept", "guide:ok:Lee Jiwoo", "call:2:remove:최서연",
};
const int TITLE_COUNT = sizeof TITLES / sizeof TITLES[0];

std::string Payload(int i)
{
    return std::string("{\"id\": \"") + std::to_string(i) +
           "\", \"version\": \"1.0\", \"timestamp\": \"2024-05-01T09:00:00\", \"correlationId\": \"c" +
           std::to_string(i) + "\", \"request\": {\"title\": \"" + TITLES[i % TITLE_COUNT] +
           "\", \"content\": \"bench " + std::to_string(i) + "\"}}";
}

// Microseconds per call of step, run n times with a dispatch after each batch.
double PerCall(int n, const std::function<void(int)>& step)
{
    Pump();
    double t0 = Now();
    for (int i = 0; i < n; ++i)
    {
        step(i);
        if (i % BATCH == BATCH - 1)
            Pump();
    }
    Pump();
    return (Now() - t0) * 1e6 / n;
}
}

int main(int argc, char** argv)
{
    int n = argc > 1 ? std::atoi(argv[1]) : 600;
    if (n <= 0)
    {
        std::fprintf(stderr, "usage: window_cost [N]\n");
        return 2;
    }

    // Nothing listens on port 9: the first connection fails at once, and the
    // pause is long enough that no reconnect comes during the run.
    wchar_t szTemp[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    std::wstring dir = std::wstring(szTemp) + L"tavrin-window-cost-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring ini = dir + L"\\Tavrin.ini";
    const char szIni[] = "[RobotMqttService]\r\nip=127.0.0.1\r\nport=9\r\nreconnect-sec=3600\r\n";
    HANDLE hFile = CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD dw = 0;
    WriteFile(hFile, szIni, sizeof szIni - 1, &dw, nullptr);
    CloseHandle(hFile);

    CWinApp app;
    app.SetAppName(L"Tavrin");
    app.SetFileArgument(dir);
    int rc = 1;
    {
        CTavrinDlg dlg;
        if (dlg.Create())
        {
            HWND hDlg = dlg.GetSafeHwnd();
            ShowWindow(hDlg, SW_SHOW);
            Pump();

            std::vector<std::string> payloads;
            std::vector<Json::Value> roots;
            for (int i = 0; i < TITLE_COUNT * 4; ++i)
            {
                payloads.push_back(Payload(i));
                Json::Value root;
                Json::Reader().parse(payloads.back(), root);
                roots.push_back(root);
            }
            auto payload = [&](int i) -> const std::string& { return payloads[i % payloads.size()]; };
            auto root = [&](int i) -> const Json::Value& { return roots[i % roots.size()]; };

            for (int i = 0; i < 100; ++i)
                for (int pane = 0; pane < PANE_COUNT; ++pane)
                    dlg.Panes().AppendLog(pane, payload(i).c_str());

            std::printf("window_cost: %d calls each; the current pane is pane 0, shown\n", n);
            std::printf("%-52s %12s\n", "step", "us per call");
            struct SRow
            {
                const char* name;
                std::function<void(int)> step;
            };
            std::optional<CTavrinDlg::CScreenBatch> batch;
            HWND hShown = GetDlgItem(hDlg, IDC_LIST_LOG0 + PANE_GENERAL);
            HWND hHidden = GetDlgItem(hDlg, IDC_LIST_LOG0 + PANE_SUBSCRIBE);
            HDC hScreenDC = GetDC(hShown);
            std::vector<std::wstring> lines;
            for (size_t i = 0; i < payloads.size(); ++i)
                lines.push_back(FormatLogTime(std::time(nullptr)) + LogLineText(payloads[i].c_str()));
            auto wide = [&](int i) -> const std::wstring& { return lines[i % lines.size()]; };
            auto message = [&](int i) {
                dlg.AddLog(LOG_SUBSCRIBE, payload(i));
                dlg.OnMessage(Link::TOPIC_MESSAGE, root(i));
            };
            auto inBatchesOf = [&](int nBatch) {
                return [&, nBatch](int i) {
                    if (i % nBatch == 0)
                        batch.emplace(dlg);
                    message(i);
                    if (i % nBatch == nBatch - 1 || i == n - 1)
                    {
                        batch.reset();
                        Pump();
                    }
                };
            };
            const SRow rows[] = {
                // A poll at 1,000 messages a second takes in about 30; at
                // 5,000 a second about 150.
                {"one message, in a poll's batch of 30", inBatchesOf(30)},
                {"one message, in a poll's batch of 150", inBatchesOf(150)},
                {"  its callbacks alone, the batch open (in the drain)", [&](int i) {
                     if (i == 0)
                         batch.emplace(dlg);
                     message(i);
                     if (i == n - 1)
                         batch.reset();
                 }},
                {"one message, on its own", message},
                {"AppendLog to the shown pane (PANE_GENERAL)", [&](int i) { dlg.Panes().AppendLog(PANE_GENERAL, payload(i).c_str()); }},
                {"AppendLog to a hidden pane (PANE_SUBSCRIBE)", [&](int i) { dlg.Panes().AppendLog(PANE_SUBSCRIBE, payload(i).c_str()); }},
                {"UpdateReceiveTime (one board field)", [&](int) { dlg.Board().UpdateReceiveTime(); }},
                // The calls that the steps above are made of, one at a time.
                {"  AppendLog, the batch open", [&](int i) {
                     if (i == 0)
                         batch.emplace(dlg);
                     dlg.Panes().AppendLog(PANE_SUBSCRIBE, payload(i).c_str());
                     if (i == n - 1)
                         batch.reset();
                 }},
                {"  OnMessage, the batch open", [&](int i) {
                     if (i == 0)
                         batch.emplace(dlg);
                     dlg.OnMessage(Link::TOPIC_MESSAGE, root(i));
                     if (i == n - 1)
                         batch.reset();
                 }},
                {"  std::time", [&](int) { std::time(nullptr); }},
                {"  FormatLogTime", [&](int) { FormatLogTime(std::time(nullptr)); }},
                {"  LogLineText", [&](int i) { LogLineText(payload(i).c_str()); }},
                {"  InterpretMessage", [&](int i) { InterpretMessage(Link::TOPIC_MESSAGE, root(i)); }},
                {"  LB_GETCOUNT", [&](int) { SendMessageW(hShown, LB_GETCOUNT, 0, 0); }},
                {"  ShowWindow(SW_SHOW) of the shown pane", [&](int) { ShowWindow(hShown, SW_SHOW); }},
                {"  ShowWindow(SW_HIDE) of a hidden pane", [&](int) { ShowWindow(hHidden, SW_HIDE); }},
                {"  LB_ADDSTRING + LB_DELETESTRING, hidden pane", [&](int i) {
                     SendMessageW(hHidden, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(i).c_str()));
                     SendMessageW(hHidden, LB_DELETESTRING, 0, 0);
                 }},
                {"  LB_ADDSTRING + LB_DELETESTRING, shown, redraw off", [&](int i) {
                     SendMessageW(hShown, WM_SETREDRAW, FALSE, 0);
                     SendMessageW(hShown, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(i).c_str()));
                     SendMessageW(hShown, LB_DELETESTRING, 0, 0);
                     if (i % BATCH == BATCH - 1)
                         SendMessageW(hShown, WM_SETREDRAW, TRUE, 0);
                 }},
                {"  LB_SETCURSEL, hidden pane", [&](int i) { SendMessageW(hHidden, LB_SETCURSEL, 99 - (i & 1), 0); }},
                {"  LB_SETCURSEL, shown, redraw off", [&](int i) {
                     SendMessageW(hShown, WM_SETREDRAW, FALSE, 0);
                     SendMessageW(hShown, LB_SETCURSEL, 99 - (i & 1), 0);
                     if (i % BATCH == BATCH - 1)
                         SendMessageW(hShown, WM_SETREDRAW, TRUE, 0);
                 }},
                {"  WM_SETREDRAW FALSE then TRUE, shown pane", [&](int) {
                     SendMessageW(hShown, WM_SETREDRAW, FALSE, 0);
                     SendMessageW(hShown, WM_SETREDRAW, TRUE, 0);
                 }},
                {"  SetDlgItemTextW, a board field, same text", [&](int) { SetDlgItemTextW(hDlg, IDC_CALL_DETAIL, L"same"); }},
                {"  GetDC + GetTextExtentPoint32W + ReleaseDC", [&](int i) {
                     HDC hDC = GetDC(hShown);
                     SIZE size;
                     GetTextExtentPoint32W(hDC, wide(i).c_str(), static_cast<int>(wide(i).size()), &size);
                     ReleaseDC(hShown, hDC);
                 }},
                {"  GetTextExtentPoint32W alone", [&](int i) {
                     SIZE size;
                     GetTextExtentPoint32W(hScreenDC, wide(i).c_str(), static_cast<int>(wide(i).size()), &size);
                 }},
                {"repaint of the shown pane's client area", [&](int) {
                     InvalidateRect(hShown, nullptr, TRUE);
                     UpdateWindow(hShown);
                 }},
                {"repaint of its scroll bar (SetScrollInfo)", [&](int i) {
                     SCROLLINFO si = {sizeof si, SIF_PAGE, 0, 0, static_cast<UINT>(10 + (i & 1)), 0, 0};
                     SetScrollInfo(hShown, SB_VERT, &si, TRUE);
                 }},
            };
            for (const SRow& row : rows)
                std::printf("%-52s %12.1f\n", row.name, PerCall(n, row.step));

            // The screen's share: what the end of one batch costs, whatever
            // the number of messages in it; as under a stream, one end in
            // four draws the shown pane.
            for (int nBatch : {30, 150})
            {
                const int nRounds = std::max(3, n / nBatch);
                double dSeconds = 0;
                for (int r = 0; r < nRounds; ++r)
                {
                    batch.emplace(dlg);
                    for (int i = 0; i < nBatch; ++i)
                        message(r * nBatch + i);
                    double t0 = Now();
                    batch.reset();
                    Pump();
                    dSeconds += Now() - t0;
                }
                char szName[64];
                std::snprintf(szName, sizeof szName, "the end of a batch of %d, one in four drawn", nBatch);
                std::printf("%-52s %12.1f\n", szName, dSeconds * 1e6 / nRounds);
            }
            rc = 0;
            DestroyWindow(hDlg);
        }
        else
        {
            std::fprintf(stderr, "window_cost: the window was not created\n");
        }
    }
    DeleteFileW(ini.c_str());
    RemoveDirectoryW(dir.c_str());
    return rc;
}
