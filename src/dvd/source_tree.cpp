#include "dvd/source_tree.h"

#include "dvd/source_list.h"

TreeNode::TreeNode() = default;
TreeNode::~TreeNode() = default;

SourceTree::SourceTree() = default;
SourceTree::~SourceTree() = default;

TreeNode* SourceTree::next_in(TreePosition& position) {
  if (!position) return nullptr;
  return (*position.list)[position.index++].get();
}

bool SourceTree::is_shown(const TreeNode* node) {
  for (const TreeNode* up = node->parent; up; up = up->parent)
    if (up->collapsed) return false;
  return true;
}

void SourceTree::append_shown(TreeNode* node) {
  node->row = static_cast<int>(shown_.size());
  shown_.push_back(node);
  if (node->collapsed) return;
  for (auto& child : node->children) append_shown(child.get());
}

// Rebuilds the shown rows from the tree; the selection follows its node and is dropped when the
// node went out of sight.
void SourceTree::renumber() {
  for (TreeNode* node : shown_) node->row = -1;
  shown_.clear();
  for (auto& root : roots_) append_shown(root.get());
  selected_row_ = selected_ ? selected_->row : -1;
  if (selected_row_ < 0) selected_ = nullptr;
  if (view_) view_->rows_changed();
}

TreeNode* SourceTree::insert_root(std::unique_ptr<SourceItem> item) {
  auto node = std::make_unique<TreeNode>();
  node->item = item ? std::move(item) : std::make_unique<SourceItem>();
  node->indent = 1;
  TreeNode* raw = node.get();
  roots_.push_back(std::move(node));
  ++node_count_;
  // A new root is always the last row, so no other row moves.
  raw->row = static_cast<int>(shown_.size());
  shown_.push_back(raw);
  if (view_) view_->rows_changed();
  return raw;
}

TreeNode* SourceTree::insert_child(TreeNode* parent, std::unique_ptr<SourceItem> item, bool show) {
  if (!parent) return nullptr;
  auto node = std::make_unique<TreeNode>();
  node->item = item ? std::move(item) : std::make_unique<SourceItem>();
  node->parent = parent;
  node->indent = parent->indent + 1;
  TreeNode* raw = node.get();
  parent->children.push_back(std::move(node));
  ++node_count_;
  if (!show) {
    parent->collapsed = true;
  } else if (is_shown(parent) && !parent->collapsed) {
    renumber();
  }
  return raw;
}

void SourceTree::update_row(TreeNode* node, std::unique_ptr<SourceItem> item, bool redraw) {
  if (!node) return;
  if (item) node->item = std::move(item);
  if (redraw && node->row >= 0 && view_) view_->row_updated(*node);
}

void SourceTree::update_row(TreeNode* node, bool redraw) { update_row(node, nullptr, redraw); }

int SourceTree::expand_node(TreeNode* node) {
  if (!node || !node->collapsed || node->children.empty()) return -1;
  node->collapsed = false;
  for (auto& child : node->children)
    if (!child->children.empty()) child->collapsed = true;  // their own children stay hidden
  renumber();
  return node->children.back()->row;
}

void SourceTree::collapse_node(TreeNode* node) {
  if (!node || node->children.empty()) return;
  struct Collapse {
    static void all(TreeNode* n) {
      if (n->children.empty()) return;
      n->collapsed = true;
      for (auto& child : n->children) all(child.get());
    }
  };
  Collapse::all(node);
  renumber();
}

void SourceTree::select_node(TreeNode* node) {
  if (!node || node->row < 0) return;
  selected_ = node;
  selected_row_ = node->row;
  if (view_) view_->selection_changed(selected_row_);
}

void SourceTree::clear() {
  shown_.clear();
  roots_.clear();  // each node releases its item, then its children
  node_count_ = 0;
  selected_ = nullptr;
  selected_row_ = -1;
  if (view_) {
    view_->rows_changed();
    view_->selection_changed(-1);
  }
}

TreeNode* SourceTree::node_at_row(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= shown_.size()) return nullptr;
  return shown_[static_cast<size_t>(row)];
}

int SourceTree::row_of(const TreeNode* node) const { return node ? node->row : -1; }
