// Event registry: connection numbers, emit order and snapshots, removal,
// senders destroyed while their own event runs, and the three handler shapes.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/core/events/event_info.h"
#include "ui/core/events/event_kind.h"
#include "ui/core/events/event_object.h"
#include "ui/core/events/event_registry.h"

namespace ui = norvik::ui;
using ui::event_info;
using ui::event_kind;

namespace {

struct sender : ui::event_object {};

// The first connect of the process happens here, during static
// initialisation, so the number can be checked whatever the test order. The
// sender also has static storage duration: its destructor forgets it at exit,
// after main, which must find the registry still alive.
sender static_sender;
const std::int32_t first_connection_number = ui::connect(&static_sender, event_kind::timer, [](const event_info&) {});

// Records which handlers ran, in order.
struct journal {
    std::vector<std::string> calls;
    ui::event_handler note(std::string name) {
        return [this, name](const event_info&) { calls.push_back(name); };
    }
};

TEST(EventRegistry, ConnectionNumbersStartAtOneAndRun) {
    EXPECT_EQ(first_connection_number, 1);
    sender s;
    const std::int32_t a = ui::connect(&s, event_kind::paint, [](const event_info&) {});
    const std::int32_t b = ui::connect(&s, event_kind::shown, [](const event_info&) {});
    EXPECT_GT(a, first_connection_number);
    EXPECT_EQ(b, a + 1);
}

TEST(EventRegistry, EmitWithoutAListCallsNothing) {
    sender quiet;
    EXPECT_FALSE(ui::emit(&quiet, event_kind::paint));
    EXPECT_FALSE(ui::has_handlers(&quiet, event_kind::paint));

    sender busy;
    int painted = 0;
    ui::connect(&busy, event_kind::paint, [&](const event_info&) { ++painted; });
    EXPECT_FALSE(ui::emit(&busy, event_kind::mouse_up, 1));
    EXPECT_FALSE(ui::has_handlers(&busy, event_kind::mouse_up));
    EXPECT_EQ(painted, 0);
    // Lists belong to one sender: the same kind on another object is empty.
    EXPECT_FALSE(ui::emit(&quiet, event_kind::paint));
}

TEST(EventRegistry, HandlersRunInConnectionOrderWithTheSameRecord) {
    sender s;
    journal j;
    std::vector<event_info> seen;
    const auto record = [&](const event_info& info) { seen.push_back(info); };
    ui::connect(&s, event_kind::resized, j.note("first"));
    ui::connect(&s, event_kind::resized, record);
    ui::connect(&s, event_kind::resized, j.note("third"));
    ui::connect(&s, event_kind::resized, j.note("first")); // same callable twice runs twice

    const std::uint64_t previous = event_info::pack_pair(-5, 70000);
    EXPECT_TRUE(ui::emit(&s, event_kind::resized, previous));
    EXPECT_EQ(j.calls, (std::vector<std::string>{"first", "third", "first"}));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].sender, &s);
    EXPECT_EQ(seen[0].kind, event_kind::resized);
    EXPECT_EQ(seen[0].low(), -5);
    EXPECT_EQ(seen[0].high(), 70000);

    EXPECT_TRUE(ui::emit(&s, event_kind::resized, previous));
    EXPECT_EQ(j.calls.size(), 6u);
}

TEST(EventRegistry, PayloadPackingRoundTrips) {
    event_info info;
    info.value = event_info::pack_pair(-1, -2147483647 - 1);
    EXPECT_EQ(info.low(), -1);
    EXPECT_EQ(info.high(), -2147483647 - 1);
    info.value = event_info::pack_double(-120 * 0.5);
    EXPECT_EQ(info.as_double(), -60.0);
    int target = 0;
    info.value = event_info::pack_pointer(&target);
    EXPECT_EQ(info.as_pointer<int>(), &target);
}

TEST(EventRegistry, HandlersConnectedDuringEmitRunFromTheNextEmit) {
    sender s;
    journal j;
    bool connected = false;
    ui::connect(&s, event_kind::timer, [&](const event_info&) {
        j.calls.push_back("outer");
        if (!connected) {
            connected = true;
            ui::connect(&s, event_kind::timer, j.note("late"));
            // Growing other lists and senders meanwhile must not disturb the
            // list being walked either.
            for (int i = 0; i < 64; ++i) {
                ui::connect(&s, event_kind::moved, [](const event_info&) {});
            }
        }
    });
    EXPECT_TRUE(ui::emit(&s, event_kind::timer, 7));
    EXPECT_EQ(j.calls, (std::vector<std::string>{"outer"}));
    EXPECT_TRUE(ui::emit(&s, event_kind::timer, 7));
    EXPECT_EQ(j.calls, (std::vector<std::string>{"outer", "outer", "late"}));
}

TEST(EventRegistry, HandlersRemovedDuringEmitStillRunInIt) {
    sender s;
    journal j;
    ui::connect(&s, event_kind::timer, [&](const event_info&) {
        j.calls.push_back("disconnecting");
        ui::disconnect_all(&s, event_kind::timer);
    });
    ui::connect(&s, event_kind::timer, j.note("after"));
    EXPECT_TRUE(ui::emit(&s, event_kind::timer));
    EXPECT_EQ(j.calls, (std::vector<std::string>{"disconnecting", "after"}));
    EXPECT_FALSE(ui::emit(&s, event_kind::timer));

    sender t;
    ui::connect(&t, event_kind::paint, [&](const event_info&) { ui::forget_sender(&t); });
    ui::connect(&t, event_kind::paint, j.note("forgotten but called"));
    EXPECT_TRUE(ui::emit(&t, event_kind::paint));
    EXPECT_EQ(j.calls.back(), "forgotten but called");
    EXPECT_FALSE(ui::has_handlers(&t, event_kind::paint));
}

TEST(EventRegistry, DisconnectAllRemovesOneKindOnly) {
    sender s;
    ui::connect(&s, event_kind::timer, [](const event_info&) {});
    ui::connect(&s, event_kind::paint, [](const event_info&) {});
    EXPECT_TRUE(ui::has_handlers(&s, event_kind::timer));

    ui::disconnect_all(&s, event_kind::timer);
    EXPECT_FALSE(ui::has_handlers(&s, event_kind::timer));
    EXPECT_FALSE(ui::emit(&s, event_kind::timer));
    EXPECT_TRUE(ui::has_handlers(&s, event_kind::paint));

    // Kinds or senders without handlers: nothing changes.
    ui::disconnect_all(&s, event_kind::toggled);
    sender never;
    ui::disconnect_all(&never, event_kind::paint);
    EXPECT_TRUE(ui::has_handlers(&s, event_kind::paint));

    // A list can be started again after it was removed.
    int fired = 0;
    ui::connect(&s, event_kind::timer, [&](const event_info&) { ++fired; });
    EXPECT_TRUE(ui::emit(&s, event_kind::timer));
    EXPECT_EQ(fired, 1);
}

TEST(EventRegistry, DestroyedSendersAreForgotten) {
    std::optional<sender> slot;
    slot.emplace();
    const ui::event_object* address = &*slot;
    int fired = 0;
    ui::connect(&*slot, event_kind::shown, [&](const event_info&) { ++fired; });
    EXPECT_TRUE(ui::emit(&*slot, event_kind::shown));

    slot.reset();
    // Nothing lives at the address now; the registry only compares it.
    EXPECT_FALSE(ui::has_handlers(address, event_kind::shown));

    // A new object at the same address starts with no handlers.
    slot.emplace();
    ASSERT_EQ(&*slot, address);
    EXPECT_FALSE(ui::emit(&*slot, event_kind::shown));
    EXPECT_EQ(fired, 1);
}

TEST(EventRegistry, AHandlerMayDestroyItsSender) {
    auto owned = std::make_unique<sender>();
    sender* raw = owned.get();
    std::vector<const ui::event_object*> senders_seen;
    ui::connect(raw, event_kind::mouse_up, [&](const event_info& info) {
        senders_seen.push_back(info.sender);
        owned.reset(); // frees the sender and, through its destructor, its lists
    });
    ui::connect(raw, event_kind::mouse_up, [&](const event_info& info) {
        // Runs from the snapshot; the record still carries the old address.
        senders_seen.push_back(info.sender);
        EXPECT_EQ(info.kind, event_kind::mouse_up);
        EXPECT_EQ(info.value, 2u);
    });
    EXPECT_TRUE(ui::emit(raw, event_kind::mouse_up, 2));
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(senders_seen, (std::vector<const ui::event_object*>{raw, raw}));
}

TEST(EventRegistry, AThrowingHandlerStopsTheEmitAndLeavesTheRegistryIntact) {
    sender s;
    journal j;
    bool fail = true;
    ui::connect(&s, event_kind::key_down, j.note("before"));
    ui::connect(&s, event_kind::key_down, [&](const event_info&) {
        if (fail) {
            fail = false;
            throw std::runtime_error("handler failed");
        }
        j.calls.push_back("thrower");
    });
    ui::connect(&s, event_kind::key_down, j.note("after"));

    EXPECT_THROW(ui::emit(&s, event_kind::key_down, 13), std::runtime_error);
    EXPECT_EQ(j.calls, (std::vector<std::string>{"before"}));

    // The lists are unchanged: the next emit calls all three again.
    EXPECT_TRUE(ui::has_handlers(&s, event_kind::key_down));
    EXPECT_TRUE(ui::emit(&s, event_kind::key_down, 13));
    EXPECT_EQ(j.calls, (std::vector<std::string>{"before", "before", "thrower", "after"}));

    // An empty handler fails when it is reached, like any other throw.
    sender e;
    ui::connect(&e, event_kind::paint, ui::event_handler());
    EXPECT_THROW(ui::emit(&e, event_kind::paint), std::bad_function_call);
}

// A control-like object binding its own members in the three shapes.
class toy_control : public ui::event_object {
public:
    toy_control() {
        ui::connect(this, event_kind::mouse_down, this, &toy_control::on_mouse_down);
        ui::connect(this, event_kind::paint, this, &toy_control::on_paint);
        ui::connect(this, event_kind::mouse_enter, this, &toy_control::set_hover, true);
        ui::connect(this, event_kind::mouse_leave, this, &toy_control::set_hover, false);
        ui::connect(this, event_kind::timer, this, &toy_control::peek);
    }

    std::uint64_t last_button = 99;
    int paints = 0;
    bool hovered = false;
    mutable int peeks = 0;

private:
    void on_mouse_down(const event_info& info) { last_button = info.value; }
    void on_paint() { ++paints; }
    void set_hover(bool on) { hovered = on; }
    void peek() const { ++peeks; }
};

TEST(EventRegistry, MemberFunctionsBindInAllThreeShapes) {
    toy_control c;
    EXPECT_TRUE(ui::emit(&c, event_kind::mouse_down, 2));
    EXPECT_EQ(c.last_button, 2u);
    EXPECT_TRUE(ui::emit(&c, event_kind::paint));
    EXPECT_EQ(c.paints, 1);
    EXPECT_TRUE(ui::emit(&c, event_kind::mouse_enter));
    EXPECT_TRUE(c.hovered);
    EXPECT_TRUE(ui::emit(&c, event_kind::mouse_leave));
    EXPECT_FALSE(c.hovered);
    EXPECT_TRUE(ui::emit(&c, event_kind::timer));
    EXPECT_EQ(c.peeks, 1);

    // Another object can subscribe to the control's events, as an owner does.
    struct owner_window {
        int clicks = 0;
        void on_click() { ++clicks; }
    } owner;
    ui::connect(&c, event_kind::mouse_down, &owner, &owner_window::on_click);
    EXPECT_TRUE(ui::emit(&c, event_kind::mouse_down, 0));
    EXPECT_EQ(c.last_button, 0u);
    EXPECT_EQ(owner.clicks, 1);
}

} // namespace
