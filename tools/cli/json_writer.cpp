#include <cjson/cJSON.h>

#include <memory>

#include "tools/cli/record_writers.h"

namespace qb::cli {
namespace {

struct JsonDelete {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDelete>;

cJSON* Node(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Null: return cJSON_CreateNull();
    case Value::Kind::Bool: return cJSON_CreateBool(value.Flag());
    case Value::Kind::Number: return cJSON_CreateNumber(value.Number());
    case Value::Kind::Text:
    case Value::Kind::Block: return cJSON_CreateString(value.Text().c_str());
    case Value::Kind::List: {
      cJSON* array = cJSON_CreateArray();
      for (const Value& item : value.Items()) cJSON_AddItemToArray(array, Node(item));
      return array;
    }
    case Value::Kind::Record: {
      cJSON* object = cJSON_CreateObject();
      for (const Field& field : value.Fields())
        if (field.InJson()) cJSON_AddItemToObject(object, field.key.c_str(), Node(field.value));
      return object;
    }
  }
  return cJSON_CreateNull();
}

}  // namespace

std::string WriteJson(const Value& record) {
  const Json document(Node(record));
  char* text = document ? cJSON_Print(document.get()) : nullptr;
  if (text == nullptr) return "{\"ok\":false,\"error\":\"out of memory\",\"code\":1}\n";
  std::string printed(text);
  cJSON_free(text);
  return printed + "\n";
}

}  // namespace qb::cli
