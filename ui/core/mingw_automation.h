#pragma once
// What mingw-w64's headers leave out of UI Automation, declared from
// Microsoft's documented interfaces and identifiers: the pattern providers
// the toolkit implements, the control type ids, the states and change kinds
// they report, and the client-side node functions the tests use. Used only
// with mingw-w64; MSVC takes all of this from the SDK's <uiautomation.h>.
//
// mingw's <uiautomationcoreapi.h> does not compile as C++ (a parameter is
// named `new`), so nothing here includes it. The functions are declared only
// so that callers can take their type: every one is resolved at run time
// from UIAutomationCore.dll, for which mingw ships no import library.
//
// Interface ids are read with __uuidof, never from an IID_ variable: with
// mingw those come from import libraries as data imports and read as garbage.

#include <windows.h>
#include <ole2.h>
#include <uiautomationclient.h>
#include <uiautomationcore.h>

#define UIA_E_ELEMENTNOTENABLED 0x80040200
#define UIA_E_ELEMENTNOTAVAILABLE 0x80040201
#define UIA_E_TIMEOUT 0x80131505

// The object id of WM_GETOBJECT that asks for a window's UI Automation root.
#define UiaRootObjectId -25
// The first element of a provider's runtime id when UIA should prefix it with
// the window's own.
#define UiaAppendRuntimeId 3

// Control types.
#define UIA_ButtonControlTypeId 50000
#define UIA_CheckBoxControlTypeId 50002
#define UIA_ScrollBarControlTypeId 50014
#define UIA_TextControlTypeId 50020
#define UIA_WindowControlTypeId 50032

#define UIA_AutomationFocusChangedEventId 20005

enum ToggleState { ToggleState_Off = 0, ToggleState_On = 1, ToggleState_Indeterminate = 2 };

enum StructureChangeType {
    StructureChangeType_ChildAdded = 0,
    StructureChangeType_ChildRemoved = 1,
    StructureChangeType_ChildrenInvalidated = 2,
    StructureChangeType_ChildrenBulkAdded = 3,
    StructureChangeType_ChildrenBulkRemoved = 4,
    StructureChangeType_ChildrenReordered = 5
};

MIDL_INTERFACE("54fcb24b-e18e-47a2-b4d3-eccbe77599a2")
IInvokeProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;
};
__CRT_UUID_DECL(IInvokeProvider, 0x54fcb24b, 0xe18e, 0x47a2, 0xb4, 0xd3, 0xec, 0xcb, 0xe7, 0x75, 0x99, 0xa2)

MIDL_INTERFACE("56d00bd0-c4f4-433c-a836-1a52a57e0892")
IToggleProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Toggle() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ToggleState(enum ToggleState * pRetVal) = 0;
};
__CRT_UUID_DECL(IToggleProvider, 0x56d00bd0, 0xc4f4, 0x433c, 0xa8, 0x36, 0x1a, 0x52, 0xa5, 0x7e, 0x08, 0x92)

MIDL_INTERFACE("36dc7aef-33e6-4691-afe1-2be7274b3d33")
IRangeValueProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetValue(double val) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(double* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL * pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Maximum(double* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Minimum(double* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LargeChange(double* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SmallChange(double* pRetVal) = 0;
};
__CRT_UUID_DECL(IRangeValueProvider, 0x36dc7aef, 0x33e6, 0x4691, 0xaf, 0xe1, 0x2b, 0xe7, 0x27, 0x4b, 0x3d, 0x33)

// The client-side node API.
DECLARE_HANDLE(HUIANODE);

enum ConditionType {
    ConditionType_True = 0,
    ConditionType_False = 1,
    ConditionType_Property = 2,
    ConditionType_And = 3,
    ConditionType_Or = 4,
    ConditionType_Not = 5
};

struct UiaCondition {
    enum ConditionType ConditionType;
};

enum TreeScope {
    TreeScope_Element = 0x1,
    TreeScope_Children = 0x2,
    TreeScope_Descendants = 0x4,
    TreeScope_Parent = 0x8,
    TreeScope_Ancestors = 0x10,
    TreeScope_Subtree = 0x7
};

enum AutomationElementMode { AutomationElementMode_None = 0, AutomationElementMode_Full = 1 };

struct UiaCacheRequest {
    struct UiaCondition* pViewCondition;
    enum TreeScope Scope;
    PROPERTYID* pProperties;
    int cProperties;
    PATTERNID* pPatterns;
    int cPatterns;
    enum AutomationElementMode automationElementMode;
};

// Client side, for the tests: the provider-side functions are typed by the
// toolkit itself (ui/core/automation_core.h).
extern "C" {
HRESULT WINAPI UiaNodeFromHandle(HWND hwnd, HUIANODE* phnode);
BOOL WINAPI UiaNodeRelease(HUIANODE hnode);
HRESULT WINAPI UiaGetPropertyValue(HUIANODE hnode, PROPERTYID propertyId, VARIANT* pValue);
HRESULT WINAPI UiaNavigate(HUIANODE hnode, enum NavigateDirection direction, struct UiaCondition* pCondition,
                           struct UiaCacheRequest* pRequest, SAFEARRAY** ppRequestedData, BSTR* ppTreeStructure);
HRESULT WINAPI UiaHUiaNodeFromVariant(VARIANT* in, HUIANODE* hnode);
}
