#pragma once
// JSON written inline in a test, parsed; a typo in the test's own text fails the test.
#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>

namespace OnvifTest {

inline Json::Value jsonText(const std::string& text)
{
    Json::Value value;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text << errors;
    return value;
}

} // namespace OnvifTest
