#pragma once

// Object names of controls whose name says nothing of what they do; tests find the controls
// by these. The names themselves stay as the windows set them (see docs/NAMES.md).

// The report preview window (TfPrint): the button strip "Panel" and its buttons.
constexpr auto kPreviewStrip = "Panel";
constexpr auto kFirstPageButton = "BitBtn1";
constexpr auto kPreviousPageButton = "BitBtn2";
constexpr auto kNextPageButton = "BitBtn3";
constexpr auto kLastPageButton = "BitBtn4";
constexpr auto kZoomToWidthButton = "BitBtn6";
constexpr auto kZoomToFitButton = "BitBtn7";
constexpr auto kPrintButton = "BitBtn8";
constexpr auto kZoomInButton = "BitBtn9";
constexpr auto kZoomOutButton = "BitBtn10";
// Its status bar: the report title, the page number and the key hint.
constexpr auto kTitlePanel = "barPanel0";
constexpr auto kPagePanel = "barPanel1";
constexpr auto kHintPanel = "barPanel2";

// The item dialog (TfMatrEdit): choosing the main document's file, and inserting a file link
// into the content.
constexpr auto kChooseDocumentButton = "btn";
constexpr auto kInsertLinkButton = "btnLink";
