// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// QLLinkedList: a singly linked, counted list whose elements are addressed by a zero-based
// position. It owns its nodes, never what a pointer element points to, and has no lock:
// owners that share a list between threads lock around every use (Get included: it moves the
// cached cursor below).
//
// Reads in rising position order are linear overall: the list remembers the last node it
// found and its position, and a walk to that position or a later one starts there instead of
// at the head. Insert and Remove keep that cursor in step or drop it.
#pragma once

#include "qltrace.h"

template <class T> struct QLListNode
{
    T value{};                  // default-constructed when the node is made
    QLListNode *next = nullptr; // null at the last node
};

template <class T> class QLLinkedList
{
public:
    QLLinkedList() = default;
    ~QLLinkedList()
    {
        QLListNode<T> *node = m_pHead;
        while (node) {
            QLListNode<T> *next = node->next;
            delete node;
            node = next;
        }
    }
    QLLinkedList(const QLLinkedList &) = delete;
    QLLinkedList &operator=(const QLLinkedList &) = delete;

    int GetCount() const { return m_count; }

    // Puts in_value at in_index (0..GetCount(); GetCount() appends). False, and nothing
    // changes, for a position outside that range.
    bool Insert(int in_index, const T &in_value)
    {
        if (in_index < 0 || in_index > m_count)
            return false;
        auto *node = new QLListNode<T>();
        if (!InsertNode(in_index, node)) {
            delete node;
            return false;
        }
        node->value = in_value; // copied in after linking, as a plain member-wise copy
        return true;
    }

    // Removes the element at in_index (0..GetCount()-1); later positions drop by one.
    bool Remove(int in_index)
    {
        if (in_index < 0 || in_index >= m_count)
            return false;
        return RemoveNode(in_index);
    }

    // Copies the element at in_index (0..GetCount()-1) into out_value.
    bool Get(int in_index, T &out_value) const
    {
        if (in_index < 0 || in_index >= m_count)
            return false;
        const QLListNode<T> *node = FindNode(in_index);
        if (!node)
            return false;
        out_value = node->value;
        return true;
    }

protected:
    bool InsertNode(int in_index, QLListNode<T> *in_pNode)
    {
        if (!QL_ASSERT((in_index >= 0) && (in_index <= m_count)) || !in_pNode)
            return false;
        if (!m_pHead) {
            in_pNode->next = nullptr;
            m_pHead = in_pNode;
        } else if (in_index == 0) {
            in_pNode->next = m_pHead;
            m_pHead = in_pNode;
        } else {
            QLListNode<T> *previous = FindNode(in_index - 1);
            if (!previous)
                return false;
            in_pNode->next = previous->next;
            previous->next = in_pNode;
        }
        // A node linked in front of the cursor's moves it one place on (FindNode above left the
        // cursor before in_index, so only a new head can do that).
        if (m_pCursor && in_index <= m_cursorPos)
            ++m_cursorPos;
        ++m_count;
        return true;
    }

    bool RemoveNode(int in_index)
    {
        if (!QL_ASSERT((in_index >= 0) && (in_index <= m_count)) || in_index >= m_count)
            return false;
        if (in_index == 0) {
            QLListNode<T> *head = m_pHead;
            m_pHead = head->next;
            ForgetRemoved(in_index);
            delete head;
        } else {
            QLListNode<T> *previous = FindNode(in_index - 1);
            QLListNode<T> *node = FindNode(in_index);
            if (!previous || !node)
                return false;
            previous->next = node->next;
            // The predecessor keeps its position: a loop removing as it goes stays linear.
            m_pCursor = previous;
            m_cursorPos = in_index - 1;
            delete node;
        }
        --m_count;
        QL_ASSERT(m_count >= 0);
        return true;
    }

    // The node at in_index, or null when there is none (in_index == m_count included).
    QLListNode<T> *FindNode(int in_index) const
    {
        if (!QL_ASSERT((in_index >= 0) && (in_index <= m_count)))
            return nullptr;
        int position = 0;
        QLListNode<T> *node = m_pHead;
        if (m_pCursor && m_cursorPos <= in_index) {
            position = m_cursorPos;
            node = m_pCursor;
        }
        while (node && position < m_count) {
            if (position == in_index) {
                m_pCursor = node;
                m_cursorPos = position;
                return node;
            }
            node = node->next;
            ++position;
        }
        return nullptr;
    }

    QLListNode<T> *m_pHead = nullptr;
    int m_count = 0;

private:
    // Keeps the cursor right while the head is being unlinked, before it is freed.
    void ForgetRemoved(int in_index)
    {
        if (!m_pCursor)
            return;
        if (in_index == m_cursorPos)
            m_pCursor = nullptr;
        else if (in_index < m_cursorPos)
            --m_cursorPos;
    }

    // Last node FindNode returned and its position; null when unknown.
    mutable QLListNode<T> *m_pCursor = nullptr;
    mutable int m_cursorPos = 0;
};
