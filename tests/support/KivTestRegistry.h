#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

// Lets every test file of a module register its QtTest class, so one
// executable per module runs them all without a hand-kept list.
class KivTestRegistry {
public:
    using Factory = std::function<std::unique_ptr<QObject>()>;

    static std::vector<Factory>& factories();
    static int add(Factory factory);
};

#define KIV_TEST_CLASS(ClassName)                                          \
    static const int kivTestRegistered_##ClassName = KivTestRegistry::add( \
        [] { return std::unique_ptr<QObject>(std::make_unique<ClassName>()); });
