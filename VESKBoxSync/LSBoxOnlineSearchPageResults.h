// The Box search behind the host's online results table: the search definition, the last window
// of results and the total. One per filter object.
#pragma once

class VESKBoxSyncFilterImpl;

class LSBoxOnlineSearchPageResults {
public:
    // The owner outlives the pager (it is the owner's member); it is not owned.
    explicit LSBoxOnlineSearchPageResults(VESKBoxSyncFilterImpl* owner) noexcept;
    virtual ~LSBoxOnlineSearchPageResults() = default;

    LSBoxOnlineSearchPageResults(const LSBoxOnlineSearchPageResults&) = delete;
    LSBoxOnlineSearchPageResults& operator=(const LSBoxOnlineSearchPageResults&) = delete;

private:
    VESKBoxSyncFilterImpl* m_owner;
};
