#pragma once

#include <algorithm>
#include <cwctype>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import_picker/import_dialog_view.h"

namespace fernwick {

// The Import dialog's window as a list in memory, recording what the selection rules did to it.
class InMemoryImportView : public ImportDialogView {
public:
    struct Row {
        std::wstring text;
        RowImage image;
        const std::wstring* path;
        bool selected = false;
    };

    int RowCount() const override { return static_cast<int>(rows.size()); }
    bool AddRow(std::wstring_view text, RowImage image, const std::wstring& path) override {
        if (refusedText && text == *refusedText) {
            if (refuseByThrowing) throw std::bad_alloc();
            return false;
        }
        rows.push_back({std::wstring(text), image, &path});
        return true;
    }
    void DeleteRow(int row) override { rows.erase(rows.begin() + row); }
    std::wstring RowPath(int row) const override { return *rows.at(row).path; }
    RowImage RowImageOf(int row) const override { return rows.at(row).image; }
    int NextSelectedRow(int after) const override {
        for (int row = after + 1; row < RowCount(); ++row) {
            if (rows[row].selected) return row;
        }
        return -1;
    }
    void SelectAllRows() override {
        for (Row& row : rows) row.selected = true;
    }
    void SortRows(RowOrder order) override {
        std::stable_sort(rows.begin(), rows.end(), [order](const Row& left, const Row& right) {
            return order(*left.path, *right.path) < 0;
        });
    }
    int FindRowStartingWith(std::wstring_view prefix) const override {
        for (int row = 0; row < RowCount(); ++row) {
            const std::wstring& text = rows[row].text;
            if (text.size() >= prefix.size() &&
                std::equal(prefix.begin(), prefix.end(), text.begin(), [](wchar_t a, wchar_t b) {
                    return std::towlower(a) == std::towlower(b);
                })) {
                return row;
            }
        }
        return -1;
    }
    void EnsureRowVisible(int row) override { scrolledTo.push_back(row); }
    void EnableOkButton(bool enable) override { okEnabled = enable; }
    void ShowPathText(std::wstring_view text) override { pathText = text; }
    void ShowMessage(std::wstring_view text) override {
        messages.emplace_back(text);
        rowCountAtMessages.push_back(RowCount());
    }

    std::vector<std::wstring> Texts() const {
        std::vector<std::wstring> texts;
        for (const Row& row : rows) texts.push_back(row.text);
        return texts;
    }
    std::vector<std::wstring> Paths() const {
        std::vector<std::wstring> paths;
        for (const Row& row : rows) paths.push_back(*row.path);
        return paths;
    }
    void Select(std::initializer_list<int> selectedRows) {
        for (int row : selectedRows) rows.at(row).selected = true;
    }

    std::vector<Row> rows;
    // A row of this text is not added: AddRow answers false, or throws.
    std::optional<std::wstring> refusedText;
    bool refuseByThrowing = false;
    std::vector<int> scrolledTo;
    bool okEnabled = true;
    std::wstring pathText;
    std::vector<std::wstring> messages;
    std::vector<int> rowCountAtMessages;
};

}  // namespace fernwick
