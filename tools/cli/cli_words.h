#pragma once
/// The words of one command, read front to back by the command's parser. The first problem
/// found is kept as the run's error and every read after it fails, so a parser checks once
/// at the end. Outputs and bands are numbered from 1 on the command line and returned
/// 0-based; names become the core's codes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qb::cli {

/// `word` as a whole number (a leading '+' allowed); nothing unless the whole word is one.
std::optional<int> WholeNumber(std::string_view word);
/// `word` as a finite decimal number (a leading '+' allowed).
std::optional<double> Decimal(std::string_view word);

class Words {
 public:
  Words(std::span<const std::string_view> words, std::string& error) : m_words(words), m_error(error) {}

  bool Failed() const { return !m_error.empty(); }
  bool AtEnd() const { return m_next >= m_words.size(); }
  /// The next word without taking it; nothing at the end or after a failure.
  std::optional<std::string_view> Peek() const;
  /// Takes the next word; "missing <what>" at the end.
  std::optional<std::string_view> Next(std::string_view what);
  std::optional<int> Int(std::string_view what, int low, int high);
  std::optional<double> Real(std::string_view what, double low, double high);
  /// One of two words: true for `yes`, false for `no`.
  std::optional<bool> Choice(std::string_view what, std::string_view yes, std::string_view no);
  std::optional<bool> Switch(std::string_view what) { return Choice(what, "on", "off"); }
  /// An output 1..8, returned 0-based.
  std::optional<int> Output();
  /// A speaker role by name or code, a filter family by name or code 1..3, a source by name.
  std::optional<int> Role();
  std::optional<int> Family();
  std::optional<int> Source();
  /// Refuses whatever follows: "unexpected 'x' after <after>".
  void ExpectEnd(std::string_view after);
  /// Records `message` as the error unless one is already kept; always returns nothing.
  std::nullopt_t Fail(std::string message);

 private:
  std::span<const std::string_view> m_words;
  std::size_t m_next = 0;
  std::string& m_error;
};

}  // namespace qb::cli
